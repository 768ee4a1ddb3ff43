#include "Startup.h"

#include "PictureFormats.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>

#include <pthread.h>
#include <thread>
#include <unistd.h>

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
// main thread costs about as much as the rest of the window. So it is built
// on a thread of its own, started as soon as the application object has
// its platform and running while the object finishes its construction (the
// browser engine's OpenGL set-up is most of that); the thread looks up the
// window's fonts with Chinese and Latin text, so their fallback lists are
// ready too. The thread has ended before anything else touches fonts.
std::thread g_fontWarmUp;

void JoinFontWarmUp()
{
    if (g_fontWarmUp.joinable())
        g_fontWarmUp.join();
}

void StartFontWarmUp()
{
    if (g_fontWarmUp.joinable() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    g_fontWarmUp = std::thread([] {
        pthread_setname_np(pthread_self(), "ravik-fonts");
        RegisterFontSubstitutions();
        const QString sample = QStringLiteral("版本选择 Ab");
        for (const auto& [family, pixels] : {std::pair{"Tahoma", 11}, {"新宋体", 12}, {"宋体", 16}}) {
            QFont font(QString::fromUtf8(family));
            font.setPixelSize(pixels);
            QFontMetrics(font).horizontalAdvance(sample);
        }
    });
    // Whatever happens after, the thread ends before the application does.
    qAddPostRoutine(JoinFontWarmUp);
}
}

void PrepareProcess()
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!QFileInfo::exists(QStringLiteral("/dev/dri")) || qgetenv("QT_QPA_PLATFORM") == "offscreen")
        AddChromiumFlag("--disable-gpu");
    // A start-up routine runs inside the application object's construction,
    // once its platform exists and before the browser engine's set-up.
    static bool warmUpAdded = false;
    if (!warmUpAdded && !QCoreApplication::instance()) {
        warmUpAdded = true;
        qAddPreRoutine(StartFontWarmUp);
    }
}

void RegisterFontSubstitutions()
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

void InitialiseApplication(QApplication& app)
{
    JoinFontWarmUp();
    // The browser engine reports its start-up settings as information;
    // that is noise on the terminal the editor was started from.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    InstallChineseTranslations(app);
    RegisterFontSubstitutions();
    RegisterPictureFormats();
}
