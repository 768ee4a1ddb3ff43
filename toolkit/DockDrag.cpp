#include "DockDrag.h"

#include "Controls.h"
#include "X11.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>


#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

TDockDrag* current = nullptr;
std::function<TPointerState()> pointerQuery;

// How often a drag following a window asks where the pointer is.
constexpr int WindowDragPollInterval = 20;

bool LeftButtonDown()
{
    // Qt knows the buttons only from its own mouse events, and a window
    // manager moving a window sends none: ask the X server.
    if (xcb_connection_t* connection = X11Connection()) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
        const bool down = reply && (reply->mask & XCB_BUTTON_MASK_1);
        free(reply);
        return down;
    }
    return QGuiApplication::mouseButtons() & Qt::LeftButton;
}

// The frame showing where a dragged control would go: a tool-tip window
// above the others that takes neither the focus nor the mouse.
class TDockFrame : public QRubberBand {
public:
    TDockFrame() : QRubberBand(QRubberBand::Rectangle)
    {
        setWindowFlag(Qt::WindowTransparentForInput);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
};

TPoint GlobalPos(const QMouseEvent* e)
{
    const QPoint p = e->globalPosition().toPoint();
    return {p.x(), p.y()};
}

bool IsMouseEvent(QEvent::Type type)
{
    return type == QEvent::MouseMove || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick;
}

} // namespace

TPointerState QueryPointer()
{
    if (pointerQuery)
        return pointerQuery();
    const QPoint p = QCursor::pos();
    return {{p.x(), p.y()}, LeftButtonDown()};
}

void SetPointerQuery(std::function<TPointerState()> query)
{
    pointerQuery = std::move(query);
}

bool DragThresholdPassed(TPoint start, TPoint now, int threshold)
{
    return std::abs(now.X - start.X) >= threshold || std::abs(now.Y - start.Y) >= threshold;
}

TControl* FindDockSite(TControl* client, TPoint screenPos, bool& accepts, TRect& dropRect, const QWidget* ignore)
{
    accepts = false;
    dropRect = TRect{};
    // Qt keeps no stacking order of its own for top-level windows: the
    // active window is asked first, as it is the one most likely on top.
    std::vector<QWidget*> windows;
    QWidget* active = QApplication::activeWindow();
    if (active)
        windows.push_back(active);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != active)
            windows.push_back(w);

    const QPoint global(screenPos.X, screenPos.Y);
    for (QWidget* window : windows) {
        if (window == ignore || window == client || !window->isVisible() || window->windowType() == Qt::ToolTip)
            continue;
        const QPoint local = window->mapFromGlobal(global);
        if (!window->rect().contains(local))
            continue;
        QWidget* hit = window->childAt(local);
        for (QWidget* w = hit ? hit : window; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
            // A control cannot go inside itself.
            if (client && (w == client || client->isAncestorOf(w)))
                continue;
            auto* site = qobject_cast<TControl*>(w);
            if (!site || !site->IsDockSite())
                continue;
            TRect r;
            accepts = site->GetSiteInfo(client, screenPos, r);
            if (accepts)
                dropRect = r;
            return site;
        }
        // The window under the cursor has no site there; those behind it
        // are covered.
        return nullptr;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// TDockDrag

TDockDrag::TDockDrag(TControl* control, TControl* source, TPoint screenStart, int threshold)
    : control_(control), source_(source), start_(screenStart),
      threshold_(threshold < 0 ? DefaultDragThreshold : threshold)
{
    // The outline of a floating drop keeps the pressed point under the
    // cursor, inside the floating window's bounds.
    const QPoint origin = control->mapToGlobal(QPoint(0, 0));
    const TSize size = FloatingSize();
    grabOffset_.X = std::clamp(screenStart.X - origin.x(), 0, std::max(size.cx - 1, 0));
    grabOffset_.Y = std::clamp(screenStart.Y - origin.y(), 0, std::max(size.cy - 1, 0));
    poll_.setInterval(WindowDragPollInterval);
    connect(&poll_, &QTimer::timeout, this, &TDockDrag::Poll);
}

TDockDrag::~TDockDrag()
{
    if (current == this)
        current = nullptr;
}

TDockDrag* TDockDrag::Current()
{
    return current;
}

void TDockDrag::Begin(TControl* control, TControl* source, TPoint screenStart, bool immediate, int threshold)
{
    Cancel();
    if (!control)
        return;
    current = new TDockDrag(control, source, screenStart, threshold);
    qApp->installEventFilter(current);
    if (immediate) {
        current->Start();
        current->MoveTo(screenStart);
    }
}

void TDockDrag::Cancel()
{
    if (current)
        current->Finish();
}

void TDockDrag::WindowMoved(TControl* control)
{
    if (current || !control || !control->Floating() || !control->windowDockArmed_)
        return;
    // The window manager placing a new window reports where it already is.
    const QPoint pos = control->geometry().topLeft();
    if (pos == control->floatingPos_.ToQPoint())
        return;
    control->floatingPos_ = {pos.x(), pos.y()};
    const TPointerState pointer = QueryPointer();
    if (control->geometry().contains(pointer.Pos.ToQPoint()))
        return;
    if (pointer.LeftDown) {
        current = new TDockDrag(control, nullptr, pointer.Pos, 0);
        current->followsWindow_ = true;
        qApp->installEventFilter(current);
        current->Start();
        current->MoveTo(pointer.Pos);
        current->poll_.start();
        return;
    }
    // Docked from the event loop: the window cannot go while its own move
    // is being handled.
    const QPointer<TControl> moved = control;
    QMetaObject::invokeMethod(
        control,
        [moved, pointer] {
            if (!moved || !moved->Floating() || current)
                return;
            bool accepts = false;
            TRect rect;
            TControl* site = FindDockSite(moved, pointer.Pos, accepts, rect);
            if (site && accepts && site->WindowDockZone().Contains(pointer.Pos))
                site->DockDrop(moved, pointer.Pos);
        },
        Qt::QueuedConnection);
}

void TDockDrag::Floated(TControl* control)
{
    const QPoint pos = control->geometry().topLeft();
    control->floatingPos_ = {pos.x(), pos.y()};
    control->windowDockArmed_ = !QueryPointer().LeftDown;
    if (control->windowDockArmed_)
        return;
    // No event says when that button comes up (it may go to another
    // window), so ask until it has.
    auto* wait = new QTimer(control);
    connect(wait, &QTimer::timeout, control, [control, wait] {
        if (QueryPointer().LeftDown)
            return;
        control->windowDockArmed_ = true;
        wait->deleteLater();
    });
    wait->start(50);
}

void TDockDrag::Poll()
{
    if (!control_ || !control_->Floating()) {
        Finish();
        return;
    }
    const TPointerState pointer = QueryPointer();
    if (pointer.LeftDown)
        MoveTo(pointer.Pos);
    else
        Drop(pointer.Pos);
}

QWidget* TDockDrag::Feedback() const
{
    return frame_.get();
}

void TDockDrag::Start()
{
    started_ = true;
    // From here on the mouse belongs to the drag: the control that took the
    // press must not turn its release into a click or a drag of its own.
    if (source_)
        source_->CancelMode();
    frame_ = std::make_unique<TDockFrame>();
}

TSize TDockDrag::FloatingSize() const
{
    if (!control_)
        return {};
    // A control that was a window before floats at that window's size.
    const TRect before = control_->FloatingBounds();
    if (!before.IsEmpty())
        return {before.Width(), before.Height()};
    return {control_->Width(), control_->Height()};
}

TRect TDockDrag::FloatingRect(TPoint p) const
{
    if (!control_)
        return {};
    const TSize size = FloatingSize();
    return Bounds(p.X - grabOffset_.X, p.Y - grabOffset_.Y, size.cx, size.cy);
}

void TDockDrag::MoveTo(TPoint p)
{
    bool accepts = false;
    TRect rect;
    target_ = FindDockSite(control_, p, accepts, rect, frame_.get());
    // A window dragged by its title bar passes over sites on its way; only
    // a site's own zone for it counts.
    if (followsWindow_ && target_ && !(accepts && target_->WindowDockZone().Contains(p)))
        target_ = nullptr;
    accepts_ = target_ && accepts;
    // Over a site that refuses the control the drop would do nothing, so
    // nothing is shown; nor is anything where a moved window just stays.
    if (target_)
        dockRect_ = accepts_ ? rect : TRect{};
    else
        dockRect_ = followsWindow_ ? TRect{} : FloatingRect(p);
    if (!frame_)
        return;
    // Showing a window sends events, which may end the drag on the way.
    QRubberBand* frame = frame_.get();
    updatingFrame_ = true;
    if (dockRect_.IsEmpty()) {
        frame->hide();
    } else {
        frame->setGeometry(dockRect_.ToQRect());
        frame->show();
    }
    updatingFrame_ = false;
}

void TDockDrag::Drop(TPoint p)
{
    MoveTo(p);
    const QPointer<TControl> control = control_;
    const QPointer<TControl> target = target_;
    const bool accepts = accepts_;
    const bool followsWindow = followsWindow_;
    const TRect floating = FloatingRect(p);
    // The drag is over before the control moves, so that a failure on the
    // way leaves no drag behind.
    Finish();
    if (!control)
        return;
    if (target) {
        if (!accepts)
            return;
        // A site that took the control off its old place and then failed to
        // dock it must not leave it hidden without a window: it floats.
        // (A form taken off its parent by Qt counts itself hidden, so what
        // it was is asked now.)
        const bool shown = control->Visible();
        const auto rescue = [&] {
            if (control && !control->parentWidget() && shown && !control->isVisible()) {
                control->ManualFloat(floating);
                control->show();
            }
        };
        try {
            target->DockDrop(control, p);
        } catch (...) {
            rescue();
            throw;
        }
        rescue();
        return;
    }
    if (!followsWindow)
        control->ManualFloat(floating);
}

void TDockDrag::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    poll_.stop();
    qApp->removeEventFilter(this);
    if (QRubberBand* frame = frame_.release()) {
        frame->hide();
        if (updatingFrame_)
            frame->deleteLater();
        else
            delete frame;
    }
    if (current == this)
        current = nullptr;
    deleteLater();
}

bool TDockDrag::eventFilter(QObject* watched, QEvent* e)
{
    if (finished_)
        return false;
    const QEvent::Type type = e->type();
    // Losing the keyboard to another program ends a drag, unless the button
    // is still held: without a window manager the focus may leave late, as
    // a window that had it (a floating tool docked again) goes, while the
    // user is already dragging on.
    if (type == QEvent::ApplicationDeactivate && !followsWindow_ && !QueryPointer().LeftDown) {
        Finish();
        return false;
    }
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        const bool started = started_;
        Finish();
        if (!started)
            return false;
        e->accept();
        return true;
    }
    // Mouse events come once to the window and then to the widget; only the
    // widget's is ours to take, the window's keeps Qt's own bookkeeping.
    // The pointer of a window being moved is polled instead.
    if (!IsMouseEvent(type) || !watched->isWidgetType() || followsWindow_)
        return false;
    if (!control_) {
        Finish();
        return false;
    }
    auto* me = static_cast<QMouseEvent*>(e);
    const TPoint p = GlobalPos(me);
    switch (type) {
    case QEvent::MouseMove:
        if (!(me->buttons() & Qt::LeftButton)) {
            // The release went elsewhere: nothing is held any more.
            Finish();
            return false;
        }
        if (!started_) {
            if (!DragThresholdPassed(start_, p, threshold_))
                return false;
            Start();
        }
        MoveTo(p);
        e->accept();
        return true;
    case QEvent::MouseButtonRelease:
        if (me->button() != Qt::LeftButton)
            break;
        if (!started_) {
            // Released before the threshold: an ordinary click.
            Finish();
            return false;
        }
        e->accept();
        Drop(p);
        return true;
    default:
        break;
    }
    // Any other button while dragging gives the drag up.
    if (!started_)
        return false;
    Finish();
    e->accept();
    return true;
}
