#include "PreviewPage.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>

TPreviewPage::TPreviewPage(QObject* parent) : QWebEnginePage(parent)
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    // A preview started from the code page loads in the background; it must
    // not take the keyboard away from the code pane.
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    // A script's pop-up is refused in the renderer at once, for next to
    // nothing; asking the editor (createWindow) takes milliseconds a time,
    // and a page that opens hundreds keeps its renderer busy for seconds.
    // Links and scripts run by a click still ask, and are refused there.
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
}

void TPreviewPage::javaScriptAlert(const QUrl&, const QString&) {}

bool TPreviewPage::javaScriptConfirm(const QUrl&, const QString&)
{
    // Also asked before leaving a page that has a leave-page handler: "yes"
    // lets the next preview replace it.
    return true;
}

bool TPreviewPage::javaScriptPrompt(const QUrl&, const QString&, const QString& defaultValue, QString* result)
{
    if (result)
        *result = defaultValue;
    return true;
}

void TPreviewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) {}

QWebEnginePage* TPreviewPage::createWindow(WebWindowType)
{
    ++refusedWindows_;
    return nullptr;
}
