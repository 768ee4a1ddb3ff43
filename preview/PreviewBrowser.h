#pragma once
// The embedded preview browser. The engine behind it is expensive to start,
// so the widget is an empty frame until the first navigation creates it.
//
// Pages are double-buffered. Each navigation loads its page in a second
// view kept under the one on show, and swaps it to the top once it has
// been placed (scrolled to where the user expects it, with what stands
// there built: preview/web/scrollkeeper.js) and drawn there, so switching
// shows no blank or half-built page between the old page and the new. A
// page taken off show is first cleared out of sight (sent to a blank page)
// and kept as the spare for the next navigation, which saves starting a
// renderer each time. Only a cleared spare is used again: a page that does
// not clear in time (a script looping in pagehide, unload or beforeunload,
// or hung for good) is dropped with its renderer, and the next navigation
// takes a fresh page, so nothing a page does on being left can hold the
// next one up. A navigation overtaken by a newer one before its page shows
// is dropped the same way.
//
// Where a page opens: the first page, and the first after the storefront
// kind changed, at the top of the user's module; any other where the user
// left the page before it, across and down. A page that never said where it
// stood (hung in a script before the scroll keeper could place it) passes
// on the place it was meant to open at instead.
//
// Customers see a shop on screens wider than the pane. A chosen screen
// width lays every page out at that many CSS pixels and shows it scaled
// down to the view's width (the views' zoom factor), never up; the engine
// maps scrolling, hover and clicks through the same scale.
//
// The context menu is the browser's own: what the page under the pointer
// offers (through the extender), the screen width, and the few of the
// engine's items that make sense for a page that is only a preview.
//
// Where views are drawn through OpenGL (with a GPU; without one they are drawn
// in software and painted like any control), the first view also changes how
// the window is drawn, and Qt makes the window's native window anew for it;
// input on its way to the old window then is lost. Made anew while a mouse
// button is held, the window never hears of the release: Qt takes the button as
// still held and gives every later move to the control that was pressed, so the
// page gets no pointer (no hover) until the next click. Made anew between the
// two clicks of a double-click on the preview's tab, it loses the second click,
// and the preview does not float. Drawn either way, a first page started by the
// first click of that double-click would load in the docked place and be moved
// to the floating window half-way, and opens at the top of the page instead of
// the user's module. A first navigation asked for under a held button (a click
// on the preview's tab) therefore starts once the button is up and the time for
// a double-click has passed with no new press; or at once when the preview
// floats to a window of its own, before that window is made, so that it is made
// for the view and never anew. (A window made to draw through OpenGL from the
// start would never be made anew either, but it makes every start of the
// program about a quarter slower.)
#include "PageTemplates.h"

#include <QDeadlineTimer>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>

#include <functional>

class QWebChannel;
class QWebEngineView;
class TPreviewBridge;
class TPreviewPage;

class TPreviewBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewBrowser(QWidget* parent = nullptr);
    ~TPreviewBrowser() override;

    // Navigates to a local file given by its absolute path (no flags, no
    // target frame, no post data, no extra headers), a page built on the
    // `version` storefront. Returns at once; PageShown follows.
    void Navigate(const QString& path, TShopVersion version);

    // The view and page on show; before the first page shows, the first
    // page's. nullptr until the first navigation starts.
    QWebEngineView* View() const;
    TPreviewPage* Page() const;
    // The page on show, built on `ShownVersion()`; nullptr before the first
    // shows. Loading(): a navigation's page is yet to show.
    TPreviewPage* ShownPage() const { return shown_.page; }
    TShopVersion ShownVersion() const { return shown_.version; }
    bool Loading() const { return pending_.page || deferred_ != TDeferred::None; }
    // The editor's object in every page this browser shows.
    TPreviewBridge& Bridge() const { return *bridge_; }

    // Whether the views are drawn in software (where there is no GPU) and
    // painted like any control, rather than through OpenGL; only views
    // drawn through OpenGL make Qt make their window anew.
    static bool DrawsInSoftware();

    // How long a new page may take to be placed before it is shown as it
    // stands (a page whose script hangs while it loads, say).
    int ShowTimeout() const { return showTimeout_; }
    void SetShowTimeout(int milliseconds);
    // Asked when a new page is ready to show: not before the time it gives
    // (a page loaded ahead of the moment it is meant for waits, out of
    // sight, until then). Asked again each time, as the time may move on.
    void SetShowNotBefore(std::function<QDeadlineTimer()> when) { showNotBefore_ = std::move(when); }

    // The customer's screen width pages are laid out at, in CSS pixels of
    // the page beside its vertical scroll bar, or 0 for the view's own width
    // (the default). Applies to the page on show at once and to every page
    // after it.
    int ScreenWidth() const { return screenWidth_; }
    void SetScreenWidth(int cssPixels);
    // The widths the context menu offers, widest first.
    static QList<int> ScreenWidths();
    // The scale pages are shown at for the screen width: 1 where the view
    // beside the page's vertical scroll bar is as wide as the width or
    // wider, else that room's share of it.
    qreal ZoomFactor() const;

    // Gives the context menu its first items, for what was right-clicked:
    // `hit` is what the page's own `ravikHitTest(x, y)` (a page script of
    // the editor's, in its script world) answered for the point, in CSS
    // pixels of the viewport; null where the page defines none or did not
    // answer in time.
    using TContextMenuExtender = std::function<void(QMenu& menu, const QVariant& hit)>;
    void SetContextMenuExtender(TContextMenuExtender extender) { contextMenuExtender_ = std::move(extender); }
    // The context menu on show, for tests; nullptr when none is.
    QMenu* ContextMenu() const { return contextMenu_; }

signals:
    void NavigationRequested(const QUrl& url);
    // The latest navigation's page is now the one on show.
    void PageShown();
    // The latest navigation's page has finished loading (it may show
    // before, once placed).
    void PageLoaded(bool ok);
    // The user chose a screen width in the context menu.
    void ScreenWidthChosen(int cssPixels);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Buffer {
        QWebEngineView* view = nullptr;
        TPreviewPage* page = nullptr;
        TShopVersion version = TShopVersion::Professional;
        // Where the page stands: placed there, then followed as drawn. A
        // page that is not drawn (the browser hidden) reports no scrolling.
        QPointF position;
        bool drawn = false;   // a frame of the page has been drawn
        // The page has said where it stands: placed by the scroll keeper,
        // or scrolled since it showed.
        bool reported = false;
        QVariantMap placement;   // where it was meant to open
    };

    // Starts the navigation Navigate was asked for.
    void Load(const QUrl& url, TShopVersion version);
    QWebEngineView* CreateView();
    // Every page this browser shows is made here: each one gets the channel
    // and all the preview's scripts.
    TPreviewPage* CreatePage();
    void StopWaiting();
    void DropPending();
    // Clears `page` out of sight to keep it as the spare.
    void Retire(TPreviewPage* page);
    // The cleared spare, or a fresh page.
    TPreviewPage* TakeSpare();
    // Shows the pending page once a frame at its placed position is drawn
    // (in its view under the shown one), so it comes up as it will stay.
    void ShowWhenDrawn();
    void ShowPending();
    // Moves a first navigation that waits for the button on.
    void FollowTheButton(QObject* watched, QEvent::Type type);
    void StartDeferred();
    // Tells the page on show where a pointer resting over it is.
    void PointAtRestingPointer();
    void ApplyZoom();
    // Asks the page what is at `at` (view coordinates), then shows the menu.
    void RequestContextMenu(QWebEngineView* view, QPoint at);
    void ShowContextMenu(QWebEngineView* view, QPoint at, const QVariant& hit);

    TPreviewBridge* bridge_;
    QWebChannel* channel_;
    Buffer shown_;     // on top
    Buffer pending_;   // under it, loading; its page is null when none loads
    QTimer showTimer_;
    TPreviewPage* spare_ = nullptr;   // a page off show, hidden
    bool spareCleared_ = false;
    QTimer clearTimer_;
    int placement_ = 0;   // the latest navigation's; a page placed for an older one is not shown
    bool placed_ = false; // the pending page is placed, at its position
    QPointer<QWidget> awaitingDraw_;   // the pending view's render widget, once its frame is due
    int drawsToWait_ = 0;
    int showTimeout_ = 3000;
    // A first navigation asked for under a held button: what it waits for,
    // and the latest request, the one made.
    enum class TDeferred { None, UntilRelease, UntilNoDoubleClick };
    TDeferred deferred_ = TDeferred::None;
    const QWidget* deferredIn_ = nullptr;   // the window the press went to
    QTimer deferTimer_;   // the double-click time after the release
    QUrl deferredUrl_;
    TShopVersion deferredVersion_ = TShopVersion::Professional;
    std::function<QDeadlineTimer()> showNotBefore_;
    int screenWidth_ = 0;
    TContextMenuExtender contextMenuExtender_;
    int contextRequest_ = 0;   // the latest right-click's; older answers are dropped
    QPointer<QMenu> contextMenu_;
};
