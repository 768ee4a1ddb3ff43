#include "Desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {
template <class Reply>
struct Freed {
    Reply* reply;
    ~Freed() { free(reply); }
    Reply* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

// Ends a process this desktop started: politely first.
void End(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}
}

Desktop::Desktop(bool windowManager)
{
    // -displayfd: the server picks a free display number and writes it out.
    xserver_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QByteArray number;
    QElapsedTimer clock;
    clock.start();
    while (!number.contains('\n') && clock.elapsed() < 10000) {
        xserver_.waitForReadyRead(200);
        number += xserver_.readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        error_ = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(xserver_.readAllStandardError());
        return;
    }
    display_ = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    connection_ = xcb_connect(display_.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection_)) {
        error_ = QStringLiteral("no connection to ") + display_;
        return;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;

    if (windowManager) {
        windowManager_.setProcessEnvironment(Environment());
        windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!WaitUntil([this] { return !Property(root_, "_NET_SUPPORTING_WM_CHECK").isEmpty(); },
                       QStringLiteral("openbox")))
            error_ = QStringLiteral("openbox did not start");
    }
}

Desktop::~Desktop()
{
    End(program_);
    End(windowManager_);
    if (connection_)
        xcb_disconnect(connection_);
    End(xserver_);
}

QProcessEnvironment Desktop::Environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    return env;
}

QString Desktop::Run(const QString& tool, const QStringList& args, const QByteArray& input)
{
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(tool, args);
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// ---- the program ----

bool Desktop::Start(const QString& program, const QString& title)
{
    QDir(workDir_.path()).mkpath(QStringLiteral("files"));
    QProcessEnvironment env = Environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    program_.setProcessEnvironment(env);
    program_.setWorkingDirectory(workDir_.path());
    program_.start(program, {});
    title_ = title;
    return WaitUntil([&] { return FindMainWindow(); }, QStringLiteral("main-window"), 30000);
}

bool Desktop::FindMainWindow()
{
    const QStringList found = Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                              QStringLiteral("--name"), title_})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    mainWindow_ = found.isEmpty() ? 0 : found.first().toUInt();
    return mainWindow_ != 0 && !Geometry(mainWindow_).isEmpty();
}

QList<unsigned> Desktop::OtherWindows()
{
    QList<unsigned> windows;
    const QStringList found = Run(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                   QString::number(program_.processId())})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& id : found)
        if (id.toUInt() != mainWindow_ && Geometry(id.toUInt()).width() > 1)
            windows << id.toUInt();
    return windows;
}

QString Desktop::Title(unsigned window)
{
    return Run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(window)}).trimmed();
}

bool Desktop::HasFocus(unsigned window)
{
    Freed<xcb_get_input_focus_reply_t> reply{
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)};
    return reply && reply->focus == window;
}

void Desktop::Raise(unsigned window)
{
    Xdotool({QStringLiteral("windowraise"), QString::number(window)});
}

void Desktop::CloseWindow(unsigned window)
{
    if (!window)
        window = mainWindow_;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom("WM_PROTOCOLS");
    event.data.data32[0] = Atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(connection_);
}

// ---- input ----

QPoint Desktop::ToRoot(QPoint client)
{
    return Geometry().topLeft() + client;
}

void Desktop::MoveTo(QPoint client)
{
    const QPoint p = ToRoot(client);
    Xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

void Desktop::Click(QPoint client, int button, int count)
{
    MoveTo(client);
    // Clicks of a double click come as a quick hand makes them: 50 ms from
    // a release to the next press.
    Xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count), QStringLiteral("--delay"),
             QStringLiteral("50"), QString::number(button)});
}

void Desktop::ButtonDown(int button)
{
    Xdotool({QStringLiteral("mousedown"), QString::number(button)});
}

void Desktop::ButtonUp(int button)
{
    Xdotool({QStringLiteral("mouseup"), QString::number(button)});
}

void Desktop::Keys(const QString& keys)
{
    Xdotool(QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

void Desktop::Type(const QString& text)
{
    Xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

void Desktop::SetClipboard(const QString& text)
{
    // xclip stays behind serving the selection until another client owns
    // it; it ends with the X server at the latest.
    Run(QStringLiteral("xclip"),
        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), QStringLiteral("UTF8_STRING"),
         QStringLiteral("-i")},
        text.toUtf8());
}

QString Desktop::Clipboard()
{
    return Run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                         QStringLiteral("-t"), QStringLiteral("UTF8_STRING"), QStringLiteral("-o")});
}

// ---- output ----

QRect Desktop::Geometry(unsigned window)
{
    const bool main = !window;
    if (main)
        window = mainWindow_;
    Freed<xcb_get_geometry_reply_t> size{xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr)};
    Freed<xcb_translate_coordinates_reply_t> origin{xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr)};
    if (size && origin)
        return {origin->dst_x, origin->dst_y, size->width, size->height};
    // Qt makes the main window anew when its first OpenGL child shows.
    if (main && !title_.isEmpty() && FindMainWindow())
        return Geometry();
    return {};
}

QImage Desktop::Grab(unsigned window)
{
    return GrabScreen(Geometry(window));
}

QRgb Desktop::PixelAt(QPoint client, unsigned window)
{
    const QImage image = Grab(window);
    return image.valid(client) ? image.pixel(client) : 0;
}

QImage Desktop::GrabScreen(const QRect& rect)
{
    const QRect area = rect.intersected(QRect(0, 0, 1280, 1024));
    if (area.isEmpty())
        return {};
    Freed<xcb_get_image_reply_t> image{xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, int16_t(area.x()), int16_t(area.y()),
                      uint16_t(area.width()), uint16_t(area.height()), ~0u),
        nullptr)};
    if (!image)
        return {};
    // 24-bit depth in 32-bit pixels, blue first: Qt's RGB32 in memory.
    return QImage(xcb_get_image_data(image.reply), area.width(), area.height(), area.width() * 4, QImage::Format_RGB32)
        .copy();
}

unsigned Desktop::Atom(const char* name)
{
    Freed<xcb_intern_atom_reply_t> reply{
        xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name), nullptr)};
    return reply ? reply->atom : 0;
}

QString Desktop::AtomName(unsigned atom)
{
    Freed<xcb_get_atom_name_reply_t> reply{xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr)};
    return reply ? QString::fromLatin1(xcb_get_atom_name_name(reply.reply), xcb_get_atom_name_name_length(reply.reply))
                 : QString();
}

QList<unsigned> Desktop::Property(unsigned window, const char* name)
{
    Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, Atom(name), XCB_ATOM_ANY, 0, 256), nullptr)};
    QList<unsigned> values;
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.reply));
        for (int i = 0; i < xcb_get_property_value_length(reply.reply) / 4; ++i)
            values << data[i];
    }
    return values;
}

// ---- waiting ----

bool Desktop::WaitUntil(const std::function<bool()>& condition, const QString& what, int timeoutMs)
{
    if (QTest::qWaitFor(condition, timeoutMs))
        return true;
    const QString shot = QDir::current().absoluteFilePath(QStringLiteral("e2e-%1.png").arg(what));
    if (GrabScreen(QRect(0, 0, 1280, 1024)).save(shot))
        qWarning("waited in vain for %s; the screen is in %s", qPrintable(what), qPrintable(shot));
    return false;
}

bool Desktop::WaitForColour(QPoint client, QColor colour, const QString& what, int tolerance)
{
    return WaitUntil([&] { return IsColour(PixelAt(client), colour, tolerance); }, what);
}

bool Desktop::Holds(const std::function<bool()>& condition, int ms)
{
    return !QTest::qWaitFor([&] { return !condition(); }, ms);
}
