#include "Startup.h"

#include "PageTemplates.h"
#include "PictureFormats.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QPlainTextDocumentLayout>
#include <QQuickWindow>
#include <QTextDocument>
#include <QThread>
#include <QTranslator>

#include <atomic>
#include <exception>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
void AddChromiumFlag(const QByteArray& flag)
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.split(' ').contains(flag))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + flag);
}

// Qt's font database is process-wide and built on first use: every
// installed font read from fontconfig, then a fallback list per family and
// script. The window needs it before it can show, and building it on the
// main thread costs about as much as the rest of the window. So a thread of
// its own builds it, together with the documents of the template boxes,
// while the application object finishes its construction (the browser
// engine's OpenGL set-up is most of that). Looking up the window's fonts
// comes last: it also loads fonts, which are kept per thread, so the main
// thread loads them again for itself. The main thread stops the thread at
// its next step when it needs the results and does what is left itself: a
// busy machine that gave the thread little time costs the window no more
// than the step under way.
std::thread g_warmUp;
std::atomic<bool> g_stopWarmUp{false};

struct TPreparedDocument {
    QString text;
    QTextDocument* document;
};
std::vector<TPreparedDocument> g_prepared;

void JoinWarmUp()
{
    if (g_warmUp.joinable()) {
        g_stopWarmUp = true;
        g_warmUp.join();
    }
}

// Also frees the documents no window took.
void EndWarmUp()
{
    JoinWarmUp();
    for (const TPreparedDocument& p : g_prepared)
        delete p.document;
    g_prepared.clear();
}

void InsertFontSubstitutions()
{
    const QString serifCjk = QStringLiteral("Noto Serif CJK SC");
    const QString sansCjk = QStringLiteral("Noto Sans CJK SC");
    const QString sans = QStringLiteral("DejaVu Sans");
    // The song typefaces are serif faces for Chinese with their own Latin.
    QFont::insertSubstitutions(QStringLiteral("宋体"), {serifCjk, sansCjk, sans});
    QFont::insertSubstitutions(QStringLiteral("新宋体"), {serifCjk, sansCjk, sans});
    // Latin sans faces; Chinese characters fall back to the CJK face.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), {sans, sansCjk});
    QFont::insertSubstitutions(QStringLiteral("Verdana"), {sans, sansCjk});
    QFont::insertSubstitutions(QStringLiteral("Marlett"), {sans, sansCjk});
}

void WarmUp(QThread* gui)
{
    InsertFontSubstitutions();
    QFontDatabase::families();
    for (TShopVersion version : {TShopVersion::Professional, TShopVersion::Tmall, TShopVersion::Basic}) {
        const TPageTemplate& page = PageTemplate(version);
        for (const QString* text : {&page.Head, &page.Tail}) {
            if (g_stopWarmUp)
                return;
            auto* document = new QTextDocument;
            document->setDocumentLayout(new QPlainTextDocumentLayout(document));
            document->setPlainText(*text);
            document->setModified(false);
            document->moveToThread(gui);
            g_prepared.push_back({*text, document});
        }
    }
    // Chinese and Latin text in each font of the window computes its
    // fallback lists.
    const QString sample = QStringLiteral("版本选择 Ab");
    for (const auto& [family, pixels] : {std::pair{"Tahoma", 11}, {"新宋体", 12}, {"宋体", 16}}) {
        if (g_stopWarmUp)
            return;
        QFont font(QString::fromUtf8(family));
        font.setPixelSize(pixels);
        QFontMetrics(font).horizontalAdvance(sample);
    }
}

void StartWarmUp()
{
    if (g_warmUp.joinable() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QThread* gui = QCoreApplication::instance()->thread();
    g_stopWarmUp = false;
    g_warmUp = std::thread([gui] {
        pthread_setname_np(pthread_self(), "ravik-warm-up");
        try {
            WarmUp(gui);
        } catch (const std::exception&) {
            // A template that cannot be read fails the window itself, with
            // its message, when the window loads it.
        }
    });
    // Whatever happens after, the thread ends before the application does.
    qAddPostRoutine(EndWarmUp);
}
}

void PrepareProcess()
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!QFileInfo::exists(QStringLiteral("/dev/dri")) || qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        AddChromiumFlag("--disable-gpu");
        // With no GPU, OpenGL is the processor's work as well (a software
        // rasteriser). Handed over through it, every frame of the preview
        // is drawn again into a texture, and the whole window composed
        // from textures on each repaint, a keystroke's included: tens of
        // milliseconds of the window's thread per frame. In software the
        // preview's frames are plain pictures painted into the window like
        // any control. A scene graph chosen by the user is kept.
        if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND"))
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }
    // A start-up routine runs inside the application object's construction,
    // once its platform exists and before the browser engine's set-up.
    static bool warmUpAdded = false;
    if (!warmUpAdded && !QCoreApplication::instance()) {
        warmUpAdded = true;
        qAddPreRoutine(StartWarmUp);
    }
}

void RegisterFontSubstitutions()
{
    // Qt's table of substitutions has no lock of its own.
    JoinWarmUp();
    InsertFontSubstitutions();
}

bool InstallChineseTranslations(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return app.installTranslator(translator);
}

QTextDocument* TakePreparedDocument(const QString& text)
{
    JoinWarmUp();
    for (auto it = g_prepared.begin(); it != g_prepared.end(); ++it) {
        if (it->text == text) {
            QTextDocument* document = it->document;
            g_prepared.erase(it);
            return document;
        }
    }
    return nullptr;
}

void InitialiseApplication(QApplication& app)
{
    JoinWarmUp();
    // The browser engine reports its start-up settings as information;
    // that is noise on the terminal the editor was started from.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    InstallChineseTranslations(app);
    RegisterFontSubstitutions();
    RegisterPictureFormats();
}
