#include "PageScripts.h"

#include "Exception.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScriptCollection>

static void InitPageScriptResources()
{
    // The resources live in a static library: without this reference the
    // linker would drop them from the program.
    Q_INIT_RESOURCE(web);
}

namespace {
QString ReadResource(const QString& path)
{
    InitPageScriptResources();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Missing page script %1").arg(path));
    return QString::fromUtf8(file.readAll());
}

QWebEngineScript MakeScript(const QString& name, const QString& source, QWebEngineScript::InjectionPoint point)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(point);
    script.setWorldId(PageScriptWorld);
    script.setRunsOnSubFrames(false);
    return script;
}
}

QWebEngineScript PageScript(const QString& name, QWebEngineScript::InjectionPoint point)
{
    return MakeScript(name, ReadResource(QStringLiteral(":/web/") + name), point);
}

void InstallPageScripts(QWebEnginePage& page, QWebChannel& channel)
{
    page.setWebChannel(&channel, PageScriptWorld);
    QWebEngineScriptCollection& scripts = page.scripts();
    // Qt's client side of the channel, then our connection to it; both
    // before the page's own scripts run.
    scripts.insert(MakeScript(QStringLiteral("qwebchannel.js"),
                              ReadResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")),
                              QWebEngineScript::DocumentCreation));
    scripts.insert(PageScript(QStringLiteral("bridge.js"), QWebEngineScript::DocumentCreation));
    // Defines the live patch only; it acts when the editor calls it.
    scripts.insert(PageScript(QStringLiteral("livepatch.js"), QWebEngineScript::DocumentCreation));
    // First once the document is parsed: it counts the elements as the code
    // made them, before the scripts below add any.
    scripts.insert(PageScript(QStringLiteral("hittest.js"), QWebEngineScript::DocumentReady));
    // The storefront widgets, once the document is parsed. The probe runs in
    // the page's own world, before the emulation, to tell it whether the
    // page switches its widgets itself.
    QWebEngineScript probe = PageScript(QStringLiteral("widget-runtime-probe.js"), QWebEngineScript::DocumentReady);
    probe.setWorldId(QWebEngineScript::MainWorld);
    scripts.insert(probe);
    // The option reader and what the widget types share, the types, then
    // the start.
    for (const char* name : kWidgetScripts)
        scripts.insert(PageScript(QLatin1String(name), QWebEngineScript::DocumentReady));
    // Once the document is parsed, so that the offending elements exist;
    // before the scroll keeper, which waits for the panel it makes.
    scripts.insert(PageScript(QStringLiteral("findings.js"), QWebEngineScript::DocumentReady));
    scripts.insert(PageScript(QStringLiteral("scrollkeeper.js"), QWebEngineScript::DocumentReady));
}
