#pragma once
// The embedded preview browser. The engine behind it is expensive to start,
// so the widget is an empty frame until the first navigation creates it.
//
// A previewed page may hang its renderer (a script that loops forever). The
// renderer is another process, so the editor goes on, but a hung renderer
// would never commit the next page either. So each navigation checks that
// the current page still answers; if it does not answer in time, the page
// is dropped with its renderer and the navigation goes to a fresh page.
#include <QTimer>
#include <QUrl>
#include <QWidget>

class QWebChannel;
class QWebEngineView;
class TPreviewBridge;
class TPreviewPage;

class TPreviewBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewBrowser(QWidget* parent = nullptr);
    ~TPreviewBrowser() override;

    // Navigates to a local file given by its absolute path: no flags, no
    // target frame, no post data, no extra headers. Returns at once.
    void Navigate(const QString& path);

    QWebEngineView* View() const { return view_; }   // nullptr before the first navigation
    TPreviewPage* Page() const { return page_; }      // nullptr before the first navigation
    // The editor's object in every page this browser shows.
    TPreviewBridge& Bridge() const { return *bridge_; }

    // How long a page that already shows a document may take to answer
    // before it is taken as hung.
    int ResponseTimeout() const { return responseTimeout_; }
    void SetResponseTimeout(int milliseconds);

    // How many hung pages were replaced.
    int PagesReplaced() const { return pagesReplaced_; }

signals:
    void NavigationRequested(const QUrl& url);

private:
    void CreateView();
    TPreviewPage* CreatePage();
    void ReplaceHungPage();

    TPreviewBridge* bridge_;
    QWebChannel* channel_;
    QWebEngineView* view_ = nullptr;
    TPreviewPage* page_ = nullptr;
    QTimer watchdog_;
    quint64 probe_ = 0;          // the live probe; an answer to an older one is ignored
    bool hasDocument_ = false;
    QUrl url_;
    int responseTimeout_ = 3000;
    int pagesReplaced_ = 0;
};
