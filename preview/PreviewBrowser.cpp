#include "PreviewBrowser.h"

#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewPage.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QQuickWindow>
#include <QWebChannel>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineView>

namespace {
// After the page has loaded, how long the scroll keeper may still take to
// place it (its channel opens on its own schedule) before it shows anyway.
constexpr int kPlaceAfterLoad = 500;
// The longest wait for a placed page's frame to be drawn.
constexpr int kDrawnAfter = 100;
// How long a page taken off show may take to clear before it is dropped.
constexpr int kClearTimeout = 3000;
// How long a right-click waits for the page to say what is under it; a
// page busy in its own script gets the menu without the page's items.
constexpr int kHitTestTimeout = 1000;
// The engine shows pages at no less than a quarter of their size.
constexpr qreal kMinimumZoom = 0.25;
// The page's vertical scroll bar: as wide in the view at every zoom.
constexpr int kScrollBarWidth = 15;

// A view whose context menu is the browser's.
class TPreviewView : public QWebEngineView {
public:
    TPreviewView(QWidget* parent, std::function<void(QWebEngineView*, QPoint)> menu)
        : QWebEngineView(parent), menu_(std::move(menu))
    {
    }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        event->accept();
        menu_(this, event->pos());
    }

private:
    std::function<void(QWebEngineView*, QPoint)> menu_;
};
}

TPreviewBrowser::TPreviewBrowser(QWidget* parent)
    : QWidget(parent), bridge_(new TPreviewBridge(this)), channel_(new QWebChannel(this))
{
    channel_->registerObject(bridge_->objectName(), bridge_);
    connect(bridge_, &TPreviewBridge::PagePlaced, this, [this](int token, QPointF at) {
        if (token != placement_ || !pending_.page)
            return;
        placed_ = true;
        pending_.position = at;
        pending_.reported = true;
        ShowWhenDrawn();
    });
    clearTimer_.setSingleShot(true);
    connect(&clearTimer_, &QTimer::timeout, this, [this] {
        delete spare_;   // hung as it was left: its renderer goes with it
        spare_ = nullptr;
    });
    deferTimer_.setSingleShot(true);
    connect(&deferTimer_, &QTimer::timeout, this, &TPreviewBrowser::StartDeferred);
    showTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, [this] {
        // Hidden, with a drawn page to come back to, the new page waits for
        // the browser to show (showEvent).
        if (isVisible() || !shown_.drawn)
            ShowPending();
    });
}

TPreviewBrowser::~TPreviewBrowser()
{
    deferTimer_.stop();
    showTimer_.stop();
    clearTimer_.stop();
    // The pages go before their views and the channel they use.
    delete spare_;
    delete pending_.page;
    delete shown_.page;
}

QWebEngineView* TPreviewBrowser::View() const { return shown_.page ? shown_.view : pending_.view; }

TPreviewPage* TPreviewBrowser::Page() const { return shown_.page ? shown_.page : pending_.page; }

bool TPreviewBrowser::DrawsInSoftware()
{
    return QQuickWindow::sceneGraphBackend() == QLatin1String("software") ||
           qEnvironmentVariable("QT_QUICK_BACKEND") == QLatin1String("software");
}

void TPreviewBrowser::SetShowTimeout(int milliseconds)
{
    if (milliseconds > 0)
        showTimeout_ = milliseconds;
}

void TPreviewBrowser::resizeEvent(QResizeEvent*)
{
    // Both views cover the whole browser: the one under is laid out at the
    // size it will be shown at, so its page is placed for that size.
    for (QWebEngineView* view : {shown_.view, pending_.view}) {
        if (view)
            view->setGeometry(rect());
    }
    ApplyZoom();
}

QList<int> TPreviewBrowser::ScreenWidths()
{
    // The widths most of a shop's customers see it at.
    return {1920, 1440, 1366, 1280};
}

void TPreviewBrowser::SetScreenWidth(int cssPixels)
{
    screenWidth_ = std::max(cssPixels, 0);
    ApplyZoom();
}

qreal TPreviewBrowser::ZoomFactor() const
{
    // The width is what the page has beside its vertical scroll bar (a
    // storefront page always has one): a banner made as wide as the screen
    // fills the view with no horizontal scroll bar.
    const int room = width() - kScrollBarWidth;
    if (screenWidth_ <= 0 || room <= 0 || room >= screenWidth_)
        return 1;
    return std::max(kMinimumZoom, qreal(room) / screenWidth_);
}

void TPreviewBrowser::ApplyZoom()
{
    const qreal zoom = ZoomFactor();
    for (QWebEnginePage* page : {static_cast<QWebEnginePage*>(shown_.page), static_cast<QWebEnginePage*>(pending_.page)}) {
        if (page && !qFuzzyCompare(page->zoomFactor(), zoom))
            page->setZoomFactor(zoom);
    }
}

QWebEngineView* TPreviewBrowser::CreateView()
{
    auto* view = new TPreviewView(this, [this](QWebEngineView* self, QPoint at) { RequestContextMenu(self, at); });
    view->setGeometry(rect());
    view->hide();
    return view;
}

void TPreviewBrowser::RequestContextMenu(QWebEngineView* view, QPoint at)
{
    const int request = ++contextRequest_;
    auto* page = qobject_cast<TPreviewPage*>(view->page());
    if (!page || page != shown_.page) {
        ShowContextMenu(view, at, {});
        return;
    }
    // The page's answer or the time limit, whichever comes first.
    auto answered = std::make_shared<bool>(false);
    const QPointer<QWebEngineView> guard(view);
    const auto answer = [this, guard, at, request, answered](const QVariant& hit) {
        if (*answered || !guard || request != contextRequest_)
            return;
        *answered = true;
        ShowContextMenu(guard, at, hit);
    };
    const qreal zoom = page->zoomFactor();
    page->runJavaScript(QStringLiteral("typeof ravikHitTest === 'function' ? ravikHitTest(%1, %2) : null")
                            .arg(at.x() / zoom)
                            .arg(at.y() / zoom),
                        PageScriptWorld, answer);
    QTimer::singleShot(kHitTestTimeout, this, [answer] { answer(QVariant()); });
}

void TPreviewBrowser::ShowContextMenu(QWebEngineView* view, QPoint at, const QVariant& hit)
{
    delete contextMenu_;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    contextMenu_ = menu;
    if (contextMenuExtender_)
        contextMenuExtender_(*menu, hit);
    if (!menu->isEmpty())
        menu->addSeparator();

    QMenu* widths = menu->addMenu(QStringLiteral("屏幕宽度"));
    auto* group = new QActionGroup(widths);
    const auto addWidth = [&](const QString& caption, int width) {
        QAction* item = widths->addAction(caption);
        item->setCheckable(true);
        item->setChecked(width == screenWidth_);
        item->setActionGroup(group);
        connect(item, &QAction::triggered, this, [this, width] {
            SetScreenWidth(width);
            emit ScreenWidthChosen(width);
        });
    };
    addWidth(QStringLiteral("适应窗口"), 0);
    for (int width : ScreenWidths())
        addWidth(QString::number(width), width);

    // Of the engine's own items only those that act on what was clicked:
    // going back, reloading, saving or viewing the source of the cache page
    // would lead away from the preview or into a window nothing closes.
    QWebEnginePage* page = view->page();
    const QWebEngineContextMenuRequest* request = view->lastContextMenuRequest();
    if (page && request) {
        menu->addSeparator();
        const auto addEngineItem = [&](const QString& caption, QWebEnginePage::WebAction action) {
            connect(menu->addAction(caption), &QAction::triggered, page, [page, action] { page->triggerAction(action); });
        };
        if (!request->selectedText().isEmpty())
            addEngineItem(QStringLiteral("复制"), QWebEnginePage::Copy);
        if (request->linkUrl().isValid())
            addEngineItem(QStringLiteral("复制链接地址"), QWebEnginePage::CopyLinkToClipboard);
        if (request->mediaType() == QWebEngineContextMenuRequest::MediaTypeImage && request->mediaUrl().isValid())
            addEngineItem(QStringLiteral("复制图片地址"), QWebEnginePage::CopyImageUrlToClipboard);
        addEngineItem(QStringLiteral("全选"), QWebEnginePage::SelectAll);
    }
    menu->popup(view->mapToGlobal(at));
}

TPreviewPage* TPreviewBrowser::CreatePage()
{
    auto* page = new TPreviewPage(this);
    InstallPageScripts(*page, *channel_);
    connect(page, &QWebEnginePage::loadFinished, this, [this, page](bool ok) {
        if (page == spare_) {
            // The blank page is in (not the end of a load it cut short).
            if (ok && page->url().scheme() == QLatin1String("about")) {
                spareCleared_ = true;
                clearTimer_.stop();
            }
            return;
        }
        if (page != (pending_.page ? pending_.page : shown_.page))
            return;   // an older navigation's
        emit PageLoaded(ok);
        if (page != pending_.page)
            return;
        // A page that failed to load has nothing to place.
        const int wait = ok ? kPlaceAfterLoad : 0;
        if (showTimer_.remainingTime() > wait)
            showTimer_.start(wait);
    });
    // Both come with a drawn frame; a scroll of the page on show is where
    // it stands now. The engine reports scrolling in the view's pixels; the
    // page and its placement count CSS pixels.
    const auto drawn = [this, page](QPointF viewScrolled, bool scrolled) {
        const QPointF at = viewScrolled / page->zoomFactor();
        Buffer& buffer = page == shown_.page ? shown_ : pending_;
        if (buffer.page != page)
            return;
        buffer.drawn = true;
        if (page == shown_.page) {
            shown_.position = at;
            shown_.reported |= scrolled;
        } else if (placed_) {
            ShowWhenDrawn();
        }
    };
    connect(page, &QWebEnginePage::scrollPositionChanged, this, [drawn](QPointF at) { drawn(at, true); });
    connect(page, &QWebEnginePage::contentsSizeChanged, this, [page, drawn] { drawn(page->scrollPosition(), false); });
    return page;
}

void TPreviewBrowser::Navigate(const QString& path, TShopVersion version)
{
    const QUrl url = QUrl::fromLocalFile(path);
    emit NavigationRequested(url);
    if (deferred_ == TDeferred::None && !pending_.view && !shown_.view &&
        QGuiApplication::mouseButtons() != Qt::NoButton) {
        deferred_ = TDeferred::UntilRelease;
        deferredIn_ = window();
        qApp->installEventFilter(this);
    }
    if (deferred_ != TDeferred::None) {
        deferredUrl_ = url;
        deferredVersion_ = version;
        return;
    }
    Load(url, version);
}

void TPreviewBrowser::Load(const QUrl& url, TShopVersion version)
{
    TPreviewPage* page = TakeSpare();
    DropPending();

    QVariantMap placement{{QStringLiteral("atModule"), !shown_.page || shown_.version != version}};
    if (shown_.page && shown_.version == version) {
        if (shown_.reported) {
            placement.insert(QStringLiteral("x"), shown_.position.x());
            placement.insert(QStringLiteral("y"), shown_.position.y());
        } else {
            placement = shown_.placement;
        }
    }
    placement.insert(QStringLiteral("token"), ++placement_);
    // A page whose findings panel is expected waits for it before it is
    // placed: the panel moves what follows it. Where the page before had
    // none, the new one most likely has none either, and does not wait.
    placement.insert(QStringLiteral("awaitFindings"), bridge_->FindingsShowPanel());
    bridge_->SetPlacement(placement);

    if (!pending_.view)
        pending_.view = CreateView();
    pending_ = {pending_.view, page, version};
    pending_.placement = placement;
    pending_.view->setPage(pending_.page);
    ApplyZoom();
    if (shown_.view) {
        // Shown under the page on show, it renders before it comes up.
        pending_.view->stackUnder(shown_.view);
        pending_.view->show();
    }
    showTimer_.start(showTimeout_);
    pending_.page->load(url);
}

void TPreviewBrowser::StopWaiting()
{
    showTimer_.stop();
    placed_ = false;
    if (awaitingDraw_)
        awaitingDraw_->removeEventFilter(this);
    awaitingDraw_ = nullptr;
}

void TPreviewBrowser::DropPending()
{
    StopWaiting();
    if (pending_.page && !spare_)
        Retire(pending_.page);
    else
        delete pending_.page;   // its renderer goes with it
    pending_.page = nullptr;
}

void TPreviewBrowser::Retire(TPreviewPage* page)
{
    delete spare_;
    spare_ = page;
    spareCleared_ = false;
    // Leaving the page runs its leave handlers, here where no navigation
    // waits for them.
    page->load(QUrl(QStringLiteral("about:blank")));
    clearTimer_.start(kClearTimeout);
}

TPreviewPage* TPreviewBrowser::TakeSpare()
{
    TPreviewPage* page = nullptr;
    if (spare_ && spareCleared_)
        std::swap(page, spare_);
    else
        delete std::exchange(spare_, nullptr);   // not cleared yet: it may be hung
    clearTimer_.stop();
    return page ? page : CreatePage();
}

void TPreviewBrowser::showEvent(QShowEvent*)
{
    // A page that waited while the browser was hidden draws now.
    if (placed_)
        ShowWhenDrawn();
    else if (pending_.page && !showTimer_.isActive())
        showTimer_.start(showTimeout_);
}

void TPreviewBrowser::ShowWhenDrawn()
{
    if (!pending_.view->isVisible()) {
        // A hidden view draws nothing. Where a page drawn before is on show,
        // the new page waits for the browser to show again and comes up
        // drawn; otherwise there is nothing to keep.
        if (!shown_.drawn)
            ShowPending();
        return;
    }
    // Scaled down, the view scrolls by its own whole pixels: a CSS
    // position lands within one of them.
    const qreal zoom = pending_.page->zoomFactor();
    const QPointF at = pending_.page->scrollPosition() / zoom;
    const QPointF placedAt = pending_.position;
    const qreal near = std::max<qreal>(1, 1 / zoom);
    if (pending_.page->contentsSize().isEmpty() || qAbs(at.x() - placedAt.x()) >= near || qAbs(at.y() - placedAt.y()) >= near)
        return;
    // The page reports its frame at the placed position a little before the
    // view draws it. The view's render widget draws in its timer events, and
    // the second draw from now has the frame (measured: the first may still
    // show the one before). Should no draw come, the frame was drawn
    // already, and the page shows after a short while.
    if (QWidget* drawer = pending_.view->focusProxy(); drawer && drawer != awaitingDraw_) {
        drawer->installEventFilter(this);
        awaitingDraw_ = drawer;
        drawsToWait_ = 2;
    }
    if (!showTimer_.isActive() || showTimer_.remainingTime() > kDrawnAfter)
        showTimer_.start(kDrawnAfter);
}

bool TPreviewBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == awaitingDraw_ && event->type() == QEvent::Timer && --drawsToWait_ == 0)
        showTimer_.start(0);   // shows once this draw is done
    if (deferred_ != TDeferred::None)
        FollowTheButton(watched, event->type());
    return QWidget::eventFilter(watched, event);
}

void TPreviewBrowser::FollowTheButton(QObject* watched, QEvent::Type type)
{
    if (type == QEvent::ParentChange && (watched == this || (watched->isWidgetType() &&
                                                             static_cast<QWidget*>(watched)->isAncestorOf(this)))) {
        // The preview floats (a double-click or a drag of its tab), and
        // its window is yet to be made.
        if (window() != deferredIn_)
            StartDeferred();
    } else if (deferred_ == TDeferred::UntilNoDoubleClick &&
               (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        deferTimer_.stop();
        deferred_ = TDeferred::UntilRelease;
    } else if (deferred_ == TDeferred::UntilRelease &&
               (type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) &&
               QGuiApplication::mouseButtons() == Qt::NoButton) {
        // A move with no button held counts as the release too, should one
        // be missed.
        deferred_ = TDeferred::UntilNoDoubleClick;
        deferTimer_.start(QApplication::doubleClickInterval());
    }
}

void TPreviewBrowser::StartDeferred()
{
    deferTimer_.stop();
    deferred_ = TDeferred::None;
    qApp->removeEventFilter(this);
    Load(deferredUrl_, deferredVersion_);
}

void TPreviewBrowser::ShowPending()
{
    // Ready before its time, the page waits for it out of sight.
    if (pending_.page && showNotBefore_) {
        if (const qint64 wait = showNotBefore_().remainingTimeNSecs(); wait > 0) {
            showTimer_.start(int((wait + 999999) / 1000000));
            return;
        }
    }
    StopWaiting();
    if (!pending_.page)
        return;
    const QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = shown_.view && focus && shown_.view->isAncestorOf(focus);
    pending_.view->show();
    pending_.view->raise();
    // The keyboard moves along before the old view hides: left to the
    // hiding, it would move on as by Tab, and a page reached by Tab focuses
    // its first link, scrolling it into view.
    if (hadFocus)
        pending_.view->setFocus(Qt::OtherFocusReason);
    std::swap(shown_, pending_);
    if (pending_.page)
        Retire(pending_.page);
    pending_.page = nullptr;
    if (pending_.view)
        pending_.view->hide();
    PointAtRestingPointer();
    emit PageShown();
}

void TPreviewBrowser::PointAtRestingPointer()
{
    // A page learns where the pointer is only from its moves, so a page
    // that comes up under a pointer at rest would show nothing hovered
    // (:hover, widgets opened or paused by hovering) until the pointer
    // moved. It hears of the pointer once, as a move to where it rests.
    // Not while a button is held (a press, a drag: the moves belong to
    // whatever has the pointer), nor while a menu or a modal dialog keeps
    // the pointer's moves from the page.
    QWidget* drawer = shown_.view->focusProxy();
    if (!drawer || !drawer->isVisible() || QGuiApplication::mouseButtons() != Qt::NoButton ||
        QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    const QPoint global = QCursor::pos();
    if (QApplication::widgetAt(global) != drawer)
        return;   // the pointer is elsewhere, or another window covers the page
    const QPoint local = drawer->mapFromGlobal(global);
    QMouseEvent move(QEvent::MouseMove, local, drawer->window()->mapFromGlobal(global), global, Qt::NoButton,
                     Qt::NoButton, QGuiApplication::keyboardModifiers());
    QCoreApplication::sendEvent(drawer, &move);
}
