#pragma once
// The page of the embedded preview browser. The previewed page runs code
// pasted from anywhere, so it is kept quiet and contained:
//  - script dialogs (alert, confirm, prompt, leave-page) never show and never
//    block: each is answered at once as if the user had pressed Enter;
//  - every request for a new window is refused: nothing opens (a script's
//    own, not started by a click, already in the page, at no cost);
//  - the page may load remote images and style sheets (decoration code is
//    all remote pictures) but may not read other local files;
//  - script console messages are not logged.
#include <QWebEnginePage>

class TPreviewPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit TPreviewPage(QObject* parent = nullptr);

    // How many new-window requests (links, and scripts run by a click) the
    // page has refused.
    int RefusedWindows() const { return refusedWindows_; }

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    int refusedWindows_ = 0;
};
