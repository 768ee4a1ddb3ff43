#pragma once
// A desktop of the end-to-end suite's own: an X server (Xvfb) on a display
// number it picks itself, optionally a window manager (openbox), and the
// real program started in a fresh working folder. Input goes through XTest
// (xdotool) as a user's would; results are read from the screen, the
// clipboard (xclip) and the files the program writes.
//
// Coordinates of Click and Grab are client coordinates of the program's
// main window, wherever the window manager put it.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>
#include <functional>

struct xcb_connection_t;

class Desktop {
public:
    // Starts the X server, and openbox when `windowManager`.
    explicit Desktop(bool windowManager);
    // Ends the program, the window manager and the X server.
    ~Desktop();
    // Empty when the desktop is up; else what failed.
    const QString& Error() const { return error_; }

    // ---- the program ----
    // Starts `program` in a new folder holding files/ and waits for its
    // main window (title containing `title`); false if it did not come.
    bool Start(const QString& program, const QString& title);
    QString WorkDir() const { return workDir_.path(); }
    QProcess& Program() { return program_; }
    unsigned MainWindow() const { return mainWindow_; }
    // The program's visible top-level windows other than the main window
    // (dialogs, message boxes), newest last.
    QList<unsigned> OtherWindows();
    QString Title(unsigned window);
    // Whether `window` has the keyboard: keys typed now reach it.
    bool HasFocus(unsigned window);
    // Asks a window (the main window by default) to close, as a window
    // manager's close does.
    void CloseWindow(unsigned window = 0);
    void CloseMainWindow() { CloseWindow(); }
    // Brings a window to the top, the keyboard staying where it is.
    void Raise(unsigned window);

    // ---- input ----
    void MoveTo(QPoint client);
    void Click(QPoint client, int button = 1, int count = 1);
    void ButtonDown(int button = 1);
    void ButtonUp(int button = 1);
    // Key names as xdotool reads them, pressed in turn: "ctrl+v space".
    void Keys(const QString& keys);
    void Type(const QString& text);
    void SetClipboard(const QString& text);
    QString Clipboard();

    // ---- output ----
    // The window's area in root coordinates (the main window by default).
    QRect Geometry(unsigned window = 0);
    // What the screen shows of a window's client area now (the main
    // window's by default).
    QImage Grab(unsigned window = 0);
    // The colour the screen shows at a client point of a window (the main
    // window by default); 0 when off screen.
    QRgb PixelAt(QPoint client, unsigned window = 0);
    // 32-bit values (atoms, cardinals) of a window property.
    QList<unsigned> Property(unsigned window, const char* name);
    QString AtomName(unsigned atom);

    // ---- waiting ----
    // Lets time pass, the program's event loop with it, until `condition`
    // holds; false after `timeoutMs`. On a timeout the screen is saved as
    // e2e-<what>.png in the current folder for a look.
    bool WaitUntil(const std::function<bool()>& condition, const QString& what, int timeoutMs = 30000);
    // Waits until the screen shows `colour` at a client point, each channel
    // within `tolerance`.
    bool WaitForColour(QPoint client, QColor colour, const QString& what, int tolerance = 0);
    // True when `condition` holds all through `ms` (for what must not change).
    bool Holds(const std::function<bool()>& condition, int ms);

private:
    QString Run(const QString& tool, const QStringList& args, const QByteArray& input = {});
    void Xdotool(const QStringList& args) { Run(QStringLiteral("xdotool"), args); }
    QPoint ToRoot(QPoint client);
    QImage GrabScreen(const QRect& rect);
    bool FindMainWindow();
    unsigned Atom(const char* name);
    QProcessEnvironment Environment() const;

    QString error_;
    QString display_;
    QProcess xserver_;
    QProcess windowManager_;
    QProcess program_;
    QTemporaryDir workDir_;
    xcb_connection_t* connection_ = nullptr;
    unsigned root_ = 0;
    QString title_;
    unsigned mainWindow_ = 0;
};

// Whether a pixel has `colour`, each channel within `tolerance`.
inline bool IsColour(QRgb pixel, QColor colour, int tolerance = 0)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
           std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}
