#include "Startup.h"

#include "PictureFormats.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>

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
}

void PrepareProcess()
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!QFileInfo::exists(QStringLiteral("/dev/dri")) || qgetenv("QT_QPA_PLATFORM") == "offscreen")
        AddChromiumFlag("--disable-gpu");
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
    // The browser engine reports its start-up settings as information;
    // that is noise on the terminal the editor was started from.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    InstallChineseTranslations(app);
    RegisterFontSubstitutions();
    RegisterPictureFormats();
}
