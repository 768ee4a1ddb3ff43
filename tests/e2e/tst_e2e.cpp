// The main road through the real program, on an X server of its own and with
// real input, as a user meets it. RAVIK_E2E_WM=openbox runs it under a window
// manager, anything else without one; RAVIK_PROGRAM names the program.
//
// Places are client coordinates of the main window, whose layout is fixed:
// the side bar is 87 pixels wide and the find panel sits at (720, 96).
#include "Desktop.h"
#include "Fragments.h"
#include "PictureServer.h"

#include <QFile>
#include <algorithm>
#include <QTest>

namespace {
const QString kTitle = QStringLiteral("Velmaro");
const QSize kNormalSize(1116, 591);

const QPoint kFindButton(42, 315);        // "查找替换"
const QPoint kFormatButton(43, 233);      // "格式阅读"
const QPoint kTmall(30, 116);             // "天猫"
const QPoint kCodeTab(130, 12);           // "  自定义代码  "
const QPoint kPreviewTab(226, 12);        // "实时预览"
const QPoint kCodePane(400, 300);
const QPoint kInFindPanel(730, 225);      // the find panel's page, clear of its controls
const QPoint kFindPanelClose(1092, 105);
const QPoint kFindText(903, 161);
const QPoint kFindNext(1044, 161);        // "查找"
const QPoint kReplaceText(903, 201);
const QPoint kReplaceAll(1044, 201);      // "全部替换"
const QPoint kInPreview(150, 80);         // under the fragment's fixed block
const QPoint kPaneFrame(88, 300);         // the code pane's left frame line
const QRect kPaneArea(90, 30, 1010, 550);
const QRect kTopRows(90, 30, 1010, 50);   // the code pane's first rows of text

const QPoint kCodePaneLeft(120, 300);    // left of where the preview floats first
// The typed fragment's block stays at the top right of the preview's view,
// which shows beside the main window even with the main window on top.
const QPoint kInFloatingPreview(980, 60);
const QPoint kInDockedPreview(1000, 80);

const QColor kWhite(255, 255, 255);
const QColor kFace(240, 240, 240);          // the find panel's page
const QColor kMagenta(255, 0, 255);         // the fragment's fixed block
const QColor kGreen(0, 255, 0);             // the typed fragment's fixed block
const QColor kCyan(0, 255, 255);            // the block under the pointer
const QColor kNote(255, 244, 214);          // a note's background in the findings panel
const QColor kBlue(0, 0, 255);              // a typed word's box
const QColor kRed(255, 0, 0);               // a typed box

// In the floating preview: the start of the typed word "ab" and where
// "abcd" ends (a bold 40-pixel monospace letter is 24 pixels wide), and the
// typed box before and after it moves.
const QPoint kWordStart(10, 220);
const QPoint kWordEnd(85, 220);
const QPoint kBoxBefore(30, 325);
const QPoint kBoxAfter(130, 325);

// One line of decoration code as shops paste it, led by a block that stays
// in view wherever the storefront puts it and changes colour under the
// pointer.
QString RoadFragment()
{
    return QStringLiteral(
               "<style>#block{position:fixed;left:0;top:0;width:240px;height:120px;background:#ff00ff;z-index:99999}"
               "#block:hover{background:#00ffff}</style><div id=\"block\"></div>") +
           MakeFragment(20000);
}

bool UnderWindowManager()
{
    return qgetenv("RAVIK_E2E_WM") == "openbox";
}

QString Program()
{
    return QString::fromLocal8Bit(qgetenv("RAVIK_PROGRAM"));
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom() && y < image.height(); ++y)
        for (int x = area.left(); x <= area.right() && x < image.width(); ++x)
            count += test(image.pixel(x, y));
    return count;
}

// A shop sign whose top-left corner is marked, so that it can be found on
// the screen wherever it is drawn.
const QColor kSignColour(30, 160, 90);
const QColor kSignMark(250, 20, 20);
QImage MarkedSign()
{
    QImage sign(600, 150, QImage::Format_RGB32);
    sign.fill(kSignColour);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            sign.setPixel(x, y, kSignMark.rgb());
    return sign;
}

// Where the marked sign's top-left corner is in `image`, or (-1, -1).
QPoint FindSign(const QImage& image)
{
    for (int y = 0; y + 3 < image.height(); ++y)
        for (int x = 0; x + 3 < image.width(); ++x)
            if (IsColour(image.pixel(x, y), kSignMark) && IsColour(image.pixel(x + 2, y + 2), kSignMark) &&
                IsColour(image.pixel(x + 3, y), kSignColour) && IsColour(image.pixel(x, y + 3), kSignColour))
                return QPoint(x, y);
    return QPoint(-1, -1);
}

// The code pane's first rows show text: dark pixels, far more than a caret's.
bool TopRowsHaveText(const QImage& window)
{
    return CountPixels(window, kTopRows, [](QRgb p) { return qGray(p) < 128; }) > 200;
}
}

class TestEndToEnd : public QObject {
    Q_OBJECT
private:
    // The code page is on screen, painted: its frame dark, its inside white.
    bool CodePageShown(Desktop& desktop)
    {
        const QImage image = desktop.Grab();
        return image.valid(kPaneFrame) && image.valid(kInFindPanel) &&
               IsColour(image.pixel(kPaneFrame), Qt::black, 64) && IsColour(image.pixel(kInFindPanel), kWhite);
    }

    // Waits for a dialog of the program to come up with the keyboard; 0 if none did.
    unsigned DialogWithFocus(Desktop& desktop, const QString& what)
    {
        unsigned dialog = 0;
        desktop.WaitUntil(
            [&] {
                const QList<unsigned> others = desktop.OtherWindows();
                dialog = others.isEmpty() ? 0 : others.constLast();
                return dialog && desktop.HasFocus(dialog);
            },
            what);
        return dialog;
    }

    // The program's window titled "实时预览" (the floating preview), or 0.
    unsigned FloatingPreview(Desktop& desktop)
    {
        for (unsigned window : desktop.OtherWindows())
            if (desktop.Title(window) == QStringLiteral("实时预览"))
                return window;
        return 0;
    }

    // The preview is docked again, selected, and shows the typed block.
    bool PreviewDocked(Desktop& desktop)
    {
        return !FloatingPreview(desktop) && IsColour(desktop.PixelAt(kInDockedPreview), kGreen, 8);
    }

    // A message box comes up; Enter answers it.
    bool AnswerMessage(Desktop& desktop, const QString& what)
    {
        const unsigned box = DialogWithFocus(desktop, what);
        if (!box || desktop.Title(box) != QLatin1String("ravik"))
            return false;
        desktop.Keys(QStringLiteral("Return"));
        return desktop.WaitUntil([&] { return desktop.OtherWindows().isEmpty(); }, what + QStringLiteral("-answered"));
    }

private slots:
    void mainRoad()
    {
        Desktop desktop(UnderWindowManager());
        QVERIFY2(desktop.Error().isEmpty(), qPrintable(desktop.Error()));
        QVERIFY(desktop.Start(Program(), kTitle));
        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "painted"));
        const unsigned window = desktop.MainWindow();

        // The very first input: "查找替换" shows the find panel; its close button hides it.
        desktop.Click(kFindButton);
        QVERIFY(desktop.WaitForColour(kInFindPanel, kFace, "find-shown"));
        desktop.Click(kFindPanelClose);
        QVERIFY(desktop.WaitForColour(kInFindPanel, kWhite, "find-closed"));

        // Paste a fragment; one space typed gives five.
        const QString fragment = RoadFragment();
        desktop.SetClipboard(fragment);
        desktop.Click(kCodePane);
        desktop.Keys(QStringLiteral("ctrl+v space ctrl+a ctrl+c"));
        const QString code = fragment + QStringLiteral("     ");
        QVERIFY(desktop.WaitUntil([&] { return desktop.Clipboard() == code; }, "pasted"));

        // "天猫", then the live preview writes the cache page and shows the fragment.
        desktop.Click(kTmall);
        desktop.Click(kPreviewTab);
        QFile cache(desktop.WorkDir() + QStringLiteral("/files/cache.html"));
        QVERIFY(desktop.WaitUntil(
            [&] {
                cache.close();
                const QByteArray page = cache.open(QIODevice::ReadOnly) ? cache.readAll() : QByteArray();
                return page.contains("mudan.example.net") && page.contains("<div id=\"block\"></div>") &&
                       page.contains(fragment.right(10).toLatin1() + "     </div>");
            },
            "cache-page"));
        QVERIFY(desktop.WaitForColour(kInPreview, kMagenta, "preview", 8));
        // Drawn in software (no GPU), the page is painted like any control:
        // it shows in the window the user clicked, not in one made anew.
        if (!qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
            QCOMPARE(desktop.MainWindow(), window);

        // The page follows the pointer at once: the block under it takes its
        // hover colour with no click since the tab's.
        desktop.MoveTo(kInPreview);
        QVERIFY(desktop.WaitForColour(kInPreview, kCyan, "hover", 8));

        // To the code and back by keys (a click on the selected tab gives
        // them to the tab strip), the pointer come to rest where the block
        // shows: the new page, swapped in under it, hovers the block too. The
        // page it replaces saw the pointer leave the block.
        const auto codeShown = [&] {
            const QRgb pixel = desktop.PixelAt(kInPreview);
            return !IsColour(pixel, kMagenta, 8) && !IsColour(pixel, kCyan, 8);
        };
        desktop.Click(kPreviewTab);
        QVERIFY(desktop.WaitForColour(kInPreview, kMagenta, "unhovered", 8));
        desktop.Keys(QStringLiteral("ctrl+Tab"));
        QVERIFY(desktop.WaitUntil(codeShown, "code-by-key"));
        desktop.MoveTo(kInPreview);
        desktop.Keys(QStringLiteral("ctrl+Tab"));
        QVERIFY(desktop.WaitForColour(kInPreview, kCyan, "hover-at-rest", 8));

        // Back to the code; "格式阅读" colours its tags.
        desktop.Click(kCodeTab);
        QVERIFY(desktop.WaitUntil(codeShown, "code-page"));
        desktop.Click(kFormatButton);
        desktop.Click(kCodePane);   // formatting selects all: a click shows the colours
        QVERIFY(desktop.WaitUntil(
            [&] {
                return CountPixels(desktop.Grab(), kPaneArea,
                                   [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80; }) > 0;
            },
            "formatted"));

        // Find a text that is not there, then replace all; Enter answers each message.
        desktop.Click(kFindButton);
        QVERIFY(desktop.WaitForColour(kInFindPanel, kFace, "find-again"));
        desktop.Click(kFindText);
        desktop.Type(QStringLiteral("NOSUCHTEXT"));
        desktop.Click(kFindNext);
        QVERIFY(AnswerMessage(desktop, QStringLiteral("not-found")));
        desktop.Click(kFindText);
        desktop.Keys(QStringLiteral("ctrl+a"));
        desktop.Type(QStringLiteral("img.example.com"));
        desktop.Click(kReplaceText);
        desktop.Type(QStringLiteral("pic.example.com"));
        desktop.Click(kReplaceAll);
        QVERIFY(AnswerMessage(desktop, QStringLiteral("replaced")));
        desktop.Click(kCodePane);
        desktop.Keys(QStringLiteral("ctrl+a ctrl+c"));
        QVERIFY(desktop.WaitUntil(
            [&] {
                const QString text = desktop.Clipboard();
                return text.contains(QStringLiteral("pic.example.com")) && !text.contains(QStringLiteral("img.example.com"));
            },
            "replaced-text"));

        // Save as from the context menu and the real file dialog, by keys;
        // ".txt" is appended and the file is rich text.
        desktop.Click(kCodePane, 3);
        desktop.Keys(QStringLiteral("Down Down Down Down Down Return"));   // "另存为"
        QVERIFY(DialogWithFocus(desktop, QStringLiteral("save-dialog")));
        desktop.Type(desktop.WorkDir() + QStringLiteral("/saved"));
        desktop.Keys(QStringLiteral("Return"));
        const QString saved = desktop.WorkDir() + QStringLiteral("/saved.txt");
        QVERIFY(desktop.WaitUntil([&] { return QFile(saved).size() > 0 && desktop.OtherWindows().isEmpty(); }, "saved"));
        QProcess unrtf;
        unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--text"), saved});
        QVERIFY(unrtf.waitForFinished(10000));
        QVERIFY(unrtf.readAllStandardOutput().contains("pic.example.com"));

        // The window closes and the program ends cleanly.
        if (UnderWindowManager())
            desktop.Keys(QStringLiteral("alt+F4"));
        else
            desktop.CloseMainWindow();
        QVERIFY(desktop.Program().waitForFinished(15000));
        QCOMPARE(desktop.Program().exitStatus(), QProcess::NormalExit);
        QCOMPARE(desktop.Program().exitCode(), 0);
    }

    void floatingPreviewFollowsTheCode()
    {
        Desktop desktop(UnderWindowManager());
        QVERIFY2(desktop.Error().isEmpty(), qPrintable(desktop.Error()));
        QVERIFY(desktop.Start(Program(), kTitle));
        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "painted"));

        // The very first input, a double click on the tab "实时预览", tears
        // the preview off; the main window keeps the code page.
        desktop.Click(kPreviewTab, 1, 2);
        unsigned preview = 0;
        QVERIFY(desktop.WaitUntil([&] { return (preview = FloatingPreview(desktop)) != 0; }, "floated"));
        QVERIFY(desktop.WaitUntil([&] { return IsColour(desktop.PixelAt(kPaneFrame), Qt::black, 64); }, "code-kept"));

        // Typed code shows in the floating preview by itself, in the window
        // it floated to first: one made anew would flash and could take the
        // keyboard from the code pane.
        desktop.Click(kCodePaneLeft);
        desktop.Type(QStringLiteral("<div style=\"position:fixed;right:0;top:0;width:240px;height:120px;"
                                    "background:#00ff00;z-index:99999\"></div>"));
        QVERIFY(desktop.WaitUntil([&] { return IsColour(desktop.PixelAt(kInFloatingPreview, preview), kGreen, 8); },
                                  "refreshed"));

        // Typed on, a word changed and a box moved show by a patch of the
        // page in place: the page fetches a picture no cache may keep once
        // per load, and fetches it no more.
        QImage grey(8, 8, QImage::Format_RGB32);
        grey.fill(Qt::gray);
        PictureServer pictures;
        const QString picture = pictures.Add(QStringLiteral("/p.png"), grey, false);
        const QString word = QStringLiteral(
            "<p style=\"position:fixed;left:0;top:200px;margin:0;z-index:99999;font:bold 40px/1 monospace;"
            "color:#00f;background:#00f\">ab</p>");
        const QString box = QStringLiteral(
            "<div style=\"position:fixed;top:300px;width:50px;height:50px;z-index:99999;background:#f00;left:10px\"></div>");
        desktop.Type(QStringLiteral("<img src=\"%1\">").arg(picture) + word + box);
        // A window manager keeps the main window, clicked last, over it.
        desktop.Raise(preview);
        const auto shows = [&](QPoint at, QColor colour) { return IsColour(desktop.PixelAt(at, preview), colour, 8); };
        QVERIFY(desktop.WaitUntil([&] { return shows(kWordStart, kBlue) && shows(kBoxBefore, kRed) && pictures.Requests(QStringLiteral("/p.png")) > 0; },
                                  "typed-on"));
        QVERIFY(!shows(kWordEnd, kBlue));
        const int loads = pictures.Requests(QStringLiteral("/p.png"));
        // left:10px becomes left:100px.
        desktop.Keys(QStringLiteral("ctrl+End"));
        desktop.Keys(QStringLiteral("Left ").repeated(int(qstrlen("px\"></div>"))));
        desktop.Type(QStringLiteral("0"));
        QVERIFY(desktop.WaitUntil([&] { return shows(kBoxAfter, kRed) && !shows(kBoxBefore, kRed); }, "box-moved"));
        // "ab" becomes "abcd" (each space typed gave five).
        desktop.Keys(QStringLiteral("ctrl+End"));
        desktop.Keys(QStringLiteral("Left ").repeated(int(box.size() + 4 * box.count(u' ') + 1 + qstrlen("</p>"))));
        desktop.Type(QStringLiteral("cd"));
        QVERIFY(desktop.WaitUntil([&] { return shows(kWordEnd, kBlue); }, "word-changed"));
        QCOMPARE(pictures.Requests(QStringLiteral("/p.png")), loads);

        // Closing its window docks it back as the selected page; without a
        // window manager there is no close box, and Ctrl+W closes it.
        desktop.Click(desktop.Geometry(preview).topLeft() + kInFloatingPreview + QPoint(0, 200) -
                      desktop.Geometry().topLeft());
        desktop.Keys(UnderWindowManager() ? QStringLiteral("alt+F4") : QStringLiteral("ctrl+w"));
        QVERIFY(desktop.WaitUntil([&] { return PreviewDocked(desktop); }, "closed-docked"));

        // Dragged by its tab out of the window, it floats where it is let go.
        desktop.MoveTo(kPreviewTab);
        desktop.ButtonDown();
        for (int step = 1; step <= 6; ++step) {
            desktop.MoveTo(kPreviewTab + QPoint(150 * step, 110 * step));
            QTest::qWait(50);
        }
        desktop.ButtonUp();
        QVERIFY(desktop.WaitUntil([&] { return (preview = FloatingPreview(desktop)) != 0; }, "dragged-out"));

        if (UnderWindowManager()) {
            // Its title bar dragged onto the tab row docks it back.
            const QList<unsigned> frame = desktop.Property(preview, "_NET_FRAME_EXTENTS");
            QCOMPARE(frame.size(), 4);
            const QPoint title = desktop.Geometry(preview).topLeft() - desktop.Geometry().topLeft() +
                                 QPoint(60, -int(frame[2]) / 2);
            const QPoint tabRow(800, 12);
            desktop.MoveTo(title);
            desktop.ButtonDown();
            for (int step = 1; step <= 8; ++step)
                desktop.MoveTo(title + (tabRow - title) * step / 8);
            desktop.ButtonUp();
            QVERIFY(desktop.WaitUntil([&] { return PreviewDocked(desktop); }, "dragged-docked"));
            desktop.Click(kPreviewTab, 1, 2);
            QVERIFY(desktop.WaitUntil([&] { return FloatingPreview(desktop) != 0; }, "floated-again"));
        }

        // Closing the main window ends the program, the preview floating.
        desktop.CloseMainWindow();
        QVERIFY(desktop.Program().waitForFinished(15000));
        QCOMPARE(desktop.Program().exitCode(), 0);
    }

    // Two hot areas drawn with the mouse on a picture of the preview, their
    // links typed: the page gets them where they were drawn, to the pixel.
    void hotAreasDrawnOnAPicture()
    {
        PictureServer server;
        const QString sign = server.Add(QStringLiteral("/sign.png"), MarkedSign());
        Desktop desktop(UnderWindowManager());
        QVERIFY2(desktop.Error().isEmpty(), qPrintable(desktop.Error()));
        QVERIFY(desktop.Start(Program(), kTitle));
        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "painted"));
        const QString code = QStringLiteral("<p>店招</p><img src=\"%1\" width=\"600\" height=\"150\"><p>完</p>").arg(sign);
        desktop.SetClipboard(code);
        desktop.Click(kCodePane);
        desktop.Keys(QStringLiteral("ctrl+v"));
        desktop.Click(kPreviewTab);
        QPoint inPreview;
        QVERIFY(desktop.WaitUntil([&] { return (inPreview = FindSign(desktop.Grab())).x() >= 0; }, "sign-shown"));

        // Its menu's first item opens the editor over it.
        desktop.Click(inPreview + QPoint(100, 50), 3);
        QVERIFY(desktop.WaitUntil([&] { return !desktop.OtherWindows().isEmpty(); }, "menu"));
        desktop.Keys(QStringLiteral("Down Return"));
        const unsigned editor = DialogWithFocus(desktop, QStringLiteral("hot-area-editor"));
        QVERIFY(editor);
        QCOMPARE(desktop.Title(editor), QStringLiteral("编辑热区"));
        QPoint inEditor;
        QVERIFY(desktop.WaitUntil([&] { return (inEditor = FindSign(desktop.Grab(editor))).x() >= 0; }, "sign-in-editor"));
        const QPoint origin = desktop.Geometry(editor).topLeft() - desktop.Geometry().topLeft() + inEditor;

        const auto draw = [&](QPoint from, QPoint to) {
            desktop.MoveTo(origin + from);
            desktop.ButtonDown();
            for (int step = 1; step <= 4; ++step)
                desktop.MoveTo(origin + from + (to - from) * step / 4);
            desktop.ButtonUp();
        };
        draw(QPoint(40, 30), QPoint(160, 90));
        desktop.Type(QStringLiteral("https://e2e.example.com/1"));
        draw(QPoint(420, 120), QPoint(300, 20));
        desktop.Type(QStringLiteral("https://e2e.example.com/2"));
        desktop.Keys(QStringLiteral("Return"));
        QVERIFY(desktop.WaitUntil([&] { return desktop.OtherWindows().isEmpty(); }, "editor-closed"));

        // The page shown next is the cache page, with the areas as drawn:
        // the topmost, drawn last, first.
        QFile cache(desktop.WorkDir() + QStringLiteral("/files/cache.html"));
        QVERIFY(desktop.WaitUntil(
            [&] {
                cache.close();
                return cache.open(QIODevice::ReadOnly) && cache.readAll().contains("<map");
            },
            "map-written"));
        cache.seek(0);
        const QByteArray page = cache.readAll();
        QVERIFY2(page.contains("<map name=\"hotarea-1\"><area shape=\"rect\" coords=\"300,20,420,120\" "
                               "href=\"https://e2e.example.com/2\" target=\"_blank\"><area shape=\"rect\" "
                               "coords=\"40,30,160,90\" href=\"https://e2e.example.com/1\" target=\"_blank\"></map>"),
                 page.mid(page.indexOf("<img src=\"http://127.0.0.1"), 400).constData());
    }

    void longLineDrawn()
    {
        if (UnderWindowManager())
            QSKIP("the pane draws the same under a window manager");
        Desktop desktop(false);
        QVERIFY2(desktop.Error().isEmpty(), qPrintable(desktop.Error()));
        QVERIFY(desktop.Start(Program(), kTitle));
        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "painted"));

        // A line of 100 KB pasted, seen from its start and two pages down;
        // each view must still show its text once the pane's timers have run.
        desktop.SetClipboard(Fragment(Fragment100K));
        desktop.Click(kCodePane);
        desktop.Keys(QStringLiteral("ctrl+v"));
        QVERIFY(desktop.WaitUntil([&] { return TopRowsHaveText(desktop.Grab()); }, "long-line-pasted"));
        for (const QString& keys : {QStringLiteral("ctrl+Home"), QStringLiteral("Page_Down Page_Down")}) {
            const QImage before = desktop.Grab().copy(kTopRows);
            desktop.Keys(keys);
            QVERIFY(desktop.WaitUntil([&] { return desktop.Grab().copy(kTopRows) != before; }, "long-line-moved"));
            QTest::qWait(700);
            QVERIFY2(TopRowsHaveText(desktop.Grab()), qPrintable(keys));
        }
    }

    // A full-screen banner as generators write it, previewed in the real
    // program: it reaches both sides of the preview (the column does not
    // clip it), and the pointer on it brings up its prev arrow, a Popup
    // beside its centre.
    void fullScreenBannerWithArrows()
    {
        if (UnderWindowManager())
            QSKIP("the page draws the same under a window manager");
        const QString fragment = StoredFragment(QStringLiteral("fullscreen-carousel.html"));
        QVERIFY(!fragment.isEmpty());
        Desktop desktop(false);
        QVERIFY2(desktop.Error().isEmpty(), qPrintable(desktop.Error()));
        QVERIFY(desktop.Start(Program(), kTitle));
        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "painted"));
        desktop.SetClipboard(fragment);
        desktop.Click(kCodePane);
        desktop.Keys(QStringLiteral("ctrl+v"));
        desktop.Click(kPreviewTab);

        // The slides' colours; the first row where one fills both sides is
        // the banner's top.
        const QList<QColor> slides{QColor(0xd9534f), QColor(0x5bc0de), QColor(0x5cb85c), QColor(0xf0ad4e), QColor(0x6f5499)};
        const auto slide = [&](QRgb p) {
            return std::any_of(slides.begin(), slides.end(), [&](const QColor& c) { return IsColour(p, c, 8); });
        };
        const int left = kPaneArea.left() + 4, right = kPaneArea.right() - 80;
        int top = -1;
        const auto bannerTop = [&] {
            const QImage image = desktop.Grab();
            for (int y = kPaneArea.top(); y < kPaneArea.bottom() && image.valid(right, y); ++y) {
                if (slide(image.pixel(left, y)) && image.pixel(left, y) == image.pixel(right, y))
                    return top = y;
            }
            return top = -1;
        };
        QVERIFY(desktop.WaitUntil([&] { return bannerTop() >= 0; }, "banner-side-to-side"));
        // The publish findings above it fold away at a click on their head.
        if (top > kPaneArea.top() + 20) {
            desktop.Click(QPoint(600, kPaneArea.top() + 12));
            QVERIFY(desktop.WaitUntil([&] { return bannerTop() >= 0 && top < kPaneArea.top() + 60; }, "findings-folded"));
        }

        // The arrow lies 440 px left of the view's centre, 300 px down.
        const int centre = (left + right + 80) / 2;
        const QRect arrowRow(centre - 480, top + 300, 80, 1);
        desktop.MoveTo(QPoint(centre, top + 300));
        QVERIFY(desktop.WaitUntil(
            [&] { return CountPixels(desktop.Grab(), arrowRow, [&](QRgb p) { return !slide(p) && qGray(p) < 120; }) >= 30; },
            "arrow-shown"));
    }

    // A publish check that runs past its time limit (made smaller here than
    // the checking program takes to start) leaves no page that looks clean:
    // the panel with its note shows at the top of the module.
    void unfinishedCheckShowsItsNote()
    {
        if (UnderWindowManager())
            QSKIP("the panel draws the same under a window manager");
        Desktop desktop(false);
        QVERIFY2(desktop.Error().isEmpty(), qPrintable(desktop.Error()));
        qputenv("RAVIK_PUBLISH_TIME_LIMIT", "1");
        const bool started = desktop.Start(Program(), kTitle);
        qunsetenv("RAVIK_PUBLISH_TIME_LIMIT");
        QVERIFY(started);
        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "painted"));

        desktop.Click(kCodePane);
        desktop.Type(QStringLiteral("<p>ravik</p>"));
        desktop.Click(kPreviewTab);
        QVERIFY(desktop.WaitUntil(
            [&] { return CountPixels(desktop.Grab(), kPaneArea, [](QRgb p) { return IsColour(p, kNote, 2); }) > 3000; },
            "unfinished-note"));
    }

    void fixedBorderStillMaximises()
    {
        if (!UnderWindowManager())
            QSKIP("needs a window manager");
        Desktop desktop(true);
        QVERIFY2(desktop.Error().isEmpty(), qPrintable(desktop.Error()));
        QVERIFY(desktop.Start(Program(), kTitle));
        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "painted"));

        // Drawn through OpenGL (as it is under this window manager here),
        // the window is made anew when the preview's browser first shows;
        // what follows holds for the new one.
        const unsigned first = desktop.MainWindow();
        desktop.Click(kPreviewTab);
        QVERIFY(desktop.WaitUntil([&] { return !desktop.Geometry().isEmpty() && desktop.MainWindow() != first; },
                                  "window-made-anew"));
        desktop.Click(kCodeTab);
        const unsigned window = desktop.MainWindow();

        // The window manager is told: no resize handles, a maximise box. It
        // offers maximising (openbox only together with resizing).
        const QList<unsigned> motif = desktop.Property(window, "_MOTIF_WM_HINTS");
        QVERIFY(motif.size() >= 3);
        QVERIFY(!(motif[2] & 0x04) && (motif[2] & 0x40));
        QStringList allowed;
        for (unsigned atom : desktop.Property(window, "_NET_WM_ALLOWED_ACTIONS"))
            allowed << desktop.AtomName(atom);
        QVERIFY(allowed.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ")));
        QVERIFY(allowed.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_VERT")));

        QVERIFY(desktop.WaitUntil([&] { return CodePageShown(desktop); }, "code-page"));
        const QImage normal = desktop.Grab();
        QCOMPARE(normal.size(), kNormalSize);

        // Dragging the frame's corner sizes the window for a moment; it springs back.
        const QList<unsigned> frame = desktop.Property(window, "_NET_FRAME_EXTENTS");   // left, right, top, bottom
        QCOMPARE(frame.size(), 4);
        const QPoint corner(kNormalSize.width() - 1, kNormalSize.height() + int(frame[3]) / 2);
        desktop.MoveTo(corner);
        desktop.ButtonDown();
        int widest = 0;
        for (int step = 1; step <= 8; ++step) {
            desktop.MoveTo(corner + QPoint(10 * step, 10 * step));
            widest = std::max(widest, desktop.Geometry().width());
        }
        desktop.ButtonUp();
        QVERIFY(widest > kNormalSize.width());
        QVERIFY(desktop.WaitUntil([&] { return desktop.Geometry().size() == kNormalSize; }, "sprung-back"));

        // A double click on the title bar maximises: the page control and the
        // code pane take the room, the side bar keeps its width.
        const QPoint titleBar(300, -int(frame[2]) / 2);
        desktop.Click(titleBar, 1, 2);
        QVERIFY(desktop.WaitUntil([&] { return desktop.Geometry().width() > kNormalSize.width() + 100; }, "maximised"));
        QVERIFY(desktop.Holds([&] { return desktop.Geometry().width() > kNormalSize.width() + 100; }, 600));
        // Below the tabs, which the pointer may have left hot.
        const QRect sideBar(0, 30, 100, 270);
        const QRect normalRightEdge(kNormalSize.width() - 12, 60, 12, 200);
        QVERIFY(desktop.WaitUntil(
            [&] {
                const QImage big = desktop.Grab();
                const QRect bigRightEdge = normalRightEdge.translated(big.width() - kNormalSize.width(), 0);
                return big.copy(sideBar) == normal.copy(sideBar) &&
                       big.copy(bigRightEdge) == normal.copy(normalRightEdge);
            },
            "maximised-layout"));

        // Another double click restores 1116 x 591.
        desktop.Click(titleBar, 1, 2);
        QVERIFY(desktop.WaitUntil([&] { return desktop.Geometry().size() == kNormalSize; }, "restored"));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
