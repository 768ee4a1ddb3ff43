#include "Controls.h"

#include "DockDrag.h"
#include "Forms.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {
const char* const kAlignProperty = "ravikAlign";

// The mouse press being handled right now, if any: a drag begun from a
// press handler counts from where the button went down.
struct CurrentPress {
    TControl* control = nullptr;
    TPoint screenPos;
};
CurrentPress currentPress;

bool IsChildWidget(QObject* o)
{
    return o && o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow();
}

// What alignment treats as shown: a control's own flag; a plain widget
// unless it was hidden on purpose (a child not yet shown with its parent
// still counts).
bool ChildCounts(QWidget* w)
{
    if (auto* c = qobject_cast<TControl*>(w))
        return c->Visible();
    return !(w->testAttribute(Qt::WA_WState_ExplicitShowHide) && w->testAttribute(Qt::WA_WState_Hidden));
}

Qt::CursorShape CursorShape(TCursor c)
{
    switch (c) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: return Qt::DragCopyCursor;
    case crNoDrop: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

bool MapButton(Qt::MouseButton b, TMouseButton& out)
{
    switch (b) {
    case Qt::LeftButton: out = mbLeft; return true;
    case Qt::RightButton: out = mbRight; return true;
    case Qt::MiddleButton: out = mbMiddle; return true;
    default: return false;
    }
}
}

// ---------------------------------------------------------------------------

TKey KeyFromQt(const QKeyEvent* e, TShiftState& shift)
{
    TKey key = e->key();
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        shift |= ssShift;
    }
    return key;
}

QChar AccelCharFromQt(const QKeyEvent* e)
{
    // With Alt held the text may be empty or another character.
    const int key = e->key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QChar(key);
    const QString text = e->text();
    return text.isEmpty() ? QChar() : text.at(0);
}

void SetWidgetAlign(QWidget* widget, TAlign align)
{
    if (!widget)
        return;
    if (auto* c = qobject_cast<TControl*>(widget)) {
        c->SetAlign(align);
        return;
    }
    if (WidgetAlign(widget) == align)
        return;
    widget->setProperty(kAlignProperty, static_cast<int>(align));
    if (auto* parent = qobject_cast<TControl*>(widget->parentWidget()))
        parent->Realign();
}

TAlign WidgetAlign(QWidget* widget)
{
    if (!widget)
        return alNone;
    if (auto* c = qobject_cast<TControl*>(widget))
        return c->Align();
    QVariant v = widget->property(kAlignProperty);
    return v.isValid() ? static_cast<TAlign>(v.toInt()) : alNone;
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool IsAccel(QChar ch, const QString& caption)
{
    // The last single '&' counts; "&&" is a literal ampersand.
    QChar hot;
    bool found = false;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != u'&') {
                hot = caption[i];
                found = true;
            }
        }
    }
    return found && !ch.isNull() && hot.toUpper() == ch.toUpper();
}

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner, QWidget* parent)
    : QWidget(nullptr), TComponent(owner)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_.OnChange = [this](TFont*) { FontChanged(); };
    // Controls start without a size, as the widgets' defaults assume.
    setGeometry(0, 0, 0, 0);
    lastBounds_ = BoundsRect();
    if (parent) {
        // The derived constructors have not run yet: show the control (and
        // so create its window) only once it is whole. Under a parent that
        // is not on screen Qt shows it with the parent anyway.
        QWidget::setParent(parent);
        if (parentColor_)
            CMParentColorChanged();
        if (parentFont_)
            CMParentFontChanged();
        // The parent's colour and font reached only this class's handlers
        // here; a derived class hears of them again once it exists.
        const bool showNow = parent->isVisible();
        QMetaObject::invokeMethod(
            this,
            [this, showNow] {
                if (showNow)
                    ApplyVisibility();
                if (parentWidget()) {
                    if (parentColor_)
                        CMParentColorChanged();
                    if (parentFont_)
                        CMParentFontChanged();
                }
            },
            Qt::QueuedConnection);
    }
}

TControl::~TControl()
{
    // Owned components and free notifications go while this control is
    // still whole; Qt then frees the remaining child widgets.
    BeginDestruction();
    font_.OnChange = nullptr;
    if (Dragging())
        TDockDrag::Cancel();
    if (currentPress.control == this)
        currentPress.control = nullptr;
}

void TControl::SetName(const QString& name)
{
    // A control whose caption is its name (the way it was created) keeps
    // following its name, unless a stored layout is being read.
    const bool follow = (controlStyle_ & csSetCaption) && !Loading() && caption_ == Name() &&
                        !(Owner() && Owner()->Loading());
    TComponent::SetName(name);
    if (follow)
        SetCaption(name);
}

TControl* TControl::ParentControl() const
{
    return qobject_cast<TControl*>(parentWidget());
}

void TControl::SetParent(QWidget* parent)
{
    if (parent == parentWidget())
        return;
    const bool wasShownWindow = parent && isWindow() && isVisible();
    if (wasShownWindow) {
        floatingMaximized_ = isMaximized();
        const QRect r = floatingMaximized_ && normalGeometry().isValid() ? normalGeometry() : geometry();
        floatingBounds_ = Bounds(r.x(), r.y(), r.width(), r.height());
    }
    if (parent)
        floating_ = false;
    QWidget::setParent(parent);
    // A child keeps no window state; a maximised window would otherwise come
    // back maximised whenever it floats again.
    if (wasShownWindow)
        setWindowState(Qt::WindowNoState);
    ApplyVisibility();
    if (parent) {
        if (parentColor_)
            CMParentColorChanged();
        if (parentFont_)
            CMParentFontChanged();
    }
}

void TControl::ApplyVisibility()
{
    // A control without a parent is not a window of its own (forms are
    // shown explicitly).
    if (parentWidget())
        QWidget::setVisible(visible_);
}

TRect TControl::ClientRect() const
{
    return Rect(0, 0, Width(), Height());
}

TPoint TControl::ScreenToClient(TPoint p) const
{
    QPoint q = mapFromGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

TPoint TControl::ClientToScreen(TPoint p) const
{
    QPoint q = mapToGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (BoundsRect() == Bounds(left, top, width, height))
        return;
    setGeometry(left, top, width, height);
    SizeMaybeChanged(lastBounds_);
}

void TControl::SizeMaybeChanged(const TRect&)
{
    const TRect now = BoundsRect();
    if (now == lastBounds_)
        return;
    const TRect old = lastBounds_;
    lastBounds_ = now;
    WMWindowPosChanged(old);
    if (old.Width() != now.Width() || old.Height() != now.Height())
        WMSize();
    RequestParentAlign();
}

void TControl::RequestParentAlign()
{
    if (align_ == alNone)
        return;
    if (TControl* p = ParentControl())
        if (!p->aligning_)
            p->Realign();
}

void TControl::WMWindowPosChanged(const TRect&) {}

void TControl::WMSize()
{
    Realign();
    Resize();
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

void TControl::SetAlign(TAlign value)
{
    if (align_ == value)
        return;
    const TAlign old = align_;
    align_ = value;
    if (TControl* p = ParentControl())
        if (old != alNone || value != alNone)
            p->Realign();
}

void TControl::Realign()
{
    if (alignLevel_ > 0 || Loading() || Destroying() || aligning_) {
        alignPending_ = true;
        return;
    }
    DoAlign();
}

void TControl::DoAlign()
{
    // A child resized by the pass may ask for another one; a few rounds
    // settle every case the alignment rules can produce.
    for (int round = 0; round < 4; ++round) {
        alignPending_ = false;
        TRect r = ClientRect();
        aligning_ = true;
        try {
            AlignControls(nullptr, r);
        } catch (...) {
            aligning_ = false;
            throw;
        }
        aligning_ = false;
        if (!alignPending_)
            break;
    }
    alignPending_ = false;
}

void TControl::DisableAlign()
{
    ++alignLevel_;
}

void TControl::EnableAlign()
{
    if (alignLevel_ > 0 && --alignLevel_ == 0 && alignPending_)
        Realign();
}

void TControl::AdjustClientRect(TRect&) {}

void TControl::AlignControls(TControl* control, TRect& rect)
{
    AdjustClientRect(rect);

    std::vector<QWidget*> children;
    for (QObject* o : this->children())
        if (IsChildWidget(o)) {
            auto* w = static_cast<QWidget*>(o);
            if (WidgetAlign(w) != alNone && ChildCounts(w))
                children.push_back(w);
        }
    if (children.empty())
        return;

    auto geometryOf = [](QWidget* w) { return TRect::FromQRect(w->geometry()); };
    auto place = [](QWidget* w, int l, int t, int wd, int ht) {
        if (auto* c = qobject_cast<TControl*>(w))
            c->SetBounds(l, t, wd, ht);
        else
            w->setGeometry(l, t, std::max(0, wd), std::max(0, ht));
    };

    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient, alCustom}) {
        std::vector<QWidget*> list;
        for (QWidget* w : children)
            if (WidgetAlign(w) == a)
                list.push_back(w);
        if (list.empty())
            continue;
        // The control that asked for the pass keeps its place among equals.
        if (control) {
            auto it = std::find(list.begin(), list.end(), static_cast<QWidget*>(control));
            if (it != list.end())
                std::rotate(list.begin(), it, it + 1);
        }
        std::stable_sort(list.begin(), list.end(), [&](QWidget* x, QWidget* y) {
            const TRect rx = geometryOf(x), ry = geometryOf(y);
            switch (a) {
            case alTop: return rx.Top < ry.Top;
            case alBottom: return rx.Bottom > ry.Bottom;
            case alLeft: return rx.Left < ry.Left;
            case alRight: return rx.Right > ry.Right;
            default: return false;
            }
        });
        for (QWidget* w : list) {
            const TRect g = geometryOf(w);
            switch (a) {
            case alTop:
                place(w, rect.Left, rect.Top, rect.Width(), g.Height());
                rect.Top += w->height();
                break;
            case alBottom:
                place(w, rect.Left, rect.Bottom - g.Height(), rect.Width(), g.Height());
                rect.Bottom -= w->height();
                break;
            case alLeft:
                place(w, rect.Left, rect.Top, g.Width(), rect.Height());
                rect.Left += w->width();
                break;
            case alRight:
                place(w, rect.Right - g.Width(), rect.Top, g.Width(), rect.Height());
                rect.Right -= w->width();
                break;
            case alClient:
                place(w, rect.Left, rect.Top, rect.Width(), rect.Height());
                break;
            case alCustom: {
                int l = g.Left, t = g.Top, wd = g.Width(), ht = g.Height();
                CustomAlignPosition(w, l, t, wd, ht, rect);
                place(w, l, t, wd, ht);
                break;
            }
            default: break;
            }
        }
    }
}

void TControl::CustomAlignPosition(QWidget*, int&, int&, int&, int&, TRect&) {}

// ---- look ----

void TControl::SetColor(TColor value)
{
    if (color_ == value)
        return;
    color_ = value;
    parentColor_ = false;
    CMColorChanged();
}

void TControl::SetParentColor(bool value)
{
    if (parentColor_ == value)
        return;
    parentColor_ = value;
    if (value && ParentControl())
        CMParentColorChanged();
}

void TControl::CMColorChanged()
{
    Invalidate();
    NotifyChildrenParentColorChanged();
}

void TControl::CMParentColorChanged()
{
    TControl* p = ParentControl();
    if (!parentColor_ || !p)
        return;
    if (color_ != p->Color()) {
        color_ = p->Color();
        CMColorChanged();
    }
}

void TControl::NotifyChildrenParentColorChanged()
{
    for (QObject* o : children())
        if (auto* c = qobject_cast<TControl*>(o))
            if (!c->isWindow())
                c->CMParentColorChanged();
}

void TControl::SetParentFont(bool value)
{
    if (parentFont_ == value)
        return;
    parentFont_ = value;
    if (value && ParentControl())
        CMParentFontChanged();
}

void TControl::FontChanged()
{
    if (!settingParentFont_)
        parentFont_ = false;
    CMFontChanged();
}

void TControl::CMFontChanged()
{
    // Plain Qt children (labels, edits) follow the control's font too.
    QWidget::setFont(font_.ToQFont());
    Invalidate();
    NotifyChildrenParentFontChanged();
}

void TControl::CMParentFontChanged()
{
    TControl* p = ParentControl();
    if (!parentFont_ || !p || font_.SameAs(p->Font()))
        return;
    settingParentFont_ = true;
    try {
        font_.Assign(p->Font());
    } catch (...) {
        settingParentFont_ = false;
        throw;
    }
    settingParentFont_ = false;
}

void TControl::NotifyChildrenParentFontChanged()
{
    for (QObject* o : children())
        if (auto* c = qobject_cast<TControl*>(o))
            if (!c->isWindow())
                c->CMParentFontChanged();
}

void TControl::SetCaption(const QString& value)
{
    if (caption_ == value)
        return;
    caption_ = value;
    CMTextChanged();
}

void TControl::CMTextChanged() {}

void TControl::SetCursor(TCursor value)
{
    if (cursor_ == value)
        return;
    cursor_ = value;
    if (value == crDefault)
        unsetCursor();
    else
        setCursor(QCursor(CursorShape(value)));
}

void TControl::SetHint(const QString& value)
{
    hint_ = value;
}

bool TControl::ShowHint() const
{
    if (parentShowHint_)
        if (TControl* p = ParentControl())
            return p->ShowHint();
    return showHint_;
}

void TControl::SetShowHint(bool value)
{
    showHint_ = value;
    parentShowHint_ = false;
}

void TControl::SetParentShowHint(bool value)
{
    parentShowHint_ = value;
}

void TControl::CancelHint()
{
    QToolTip::hideText();
}

bool TControl::CanShowHint(TPoint)
{
    return true;
}

// ---- state ----

void TControl::SetEnabled(bool value)
{
    if (enabled_ == value)
        return;
    enabled_ = value;
    QWidget::setEnabled(value);
    CMEnabledChanged();
}

void TControl::CMEnabledChanged()
{
    Invalidate();
}

void TControl::Show()
{
    if (TControl* p = ParentControl())
        p->ShowControl(this);
    SetVisible(true);
}

void TControl::ShowControl(QWidget*)
{
    if (TControl* p = ParentControl())
        p->ShowControl(this);
}

void TControl::SetVisible(bool value)
{
    if (visible_ == value)
        return;
    visible_ = value;
    if (qobject_cast<TCustomForm*>(this))
        QWidget::setVisible(value);
    else
        ApplyVisibility();
    RequestParentAlign();
}

// ---- focus ----

void TControl::SetTabStop(bool value)
{
    if (tabStop_ == value)
        return;
    tabStop_ = value;
    UpdateFocusPolicy();
}

void TControl::UpdateFocusPolicy()
{
    // A tab stop is reached with Tab; clicks never move the focus by
    // themselves: a control that wants it on a click takes it (SetFocus).
    setFocusPolicy(tabStop_ ? Qt::TabFocus : Qt::NoFocus);
}

int TControl::TabOrder() const
{
    TControl* p = ParentControl();
    if (!p)
        return -1;
    int i = 0;
    for (const auto& w : p->tabList_) {
        if (w == this)
            return i;
        if (w)
            ++i;
    }
    return -1;
}

void TControl::SetTabOrder(int value)
{
    TControl* p = ParentControl();
    if (!p)
        return;
    auto& list = p->tabList_;
    list.erase(std::remove_if(list.begin(), list.end(), [this](const QPointer<QWidget>& w) { return !w || w == this; }),
               list.end());
    value = std::clamp(value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + value, QPointer<QWidget>(this));
    p->ApplyTabOrder();
}

void TControl::ApplyTabOrder()
{
    QWidget* prev = nullptr;
    for (const auto& w : tabList_) {
        if (!w || w->isWindow())
            continue;
        if (prev)
            QWidget::setTabOrder(prev, w);
        prev = w;
    }
}

namespace {
// Every parent up to the window shown and enabled, and the window on screen.
bool ParentsAllowFocus(const QWidget* w)
{
    while (!w->isWindow()) {
        const QWidget* p = w->parentWidget();
        if (!p)
            return false;
        if (auto* c = qobject_cast<const TControl*>(p)) {
            if (!c->Visible() || !c->Enabled())
                return false;
        } else if ((p->isHidden() && p->testAttribute(Qt::WA_WState_ExplicitShowHide)) || !p->isEnabled()) {
            return false;
        }
        w = p;
    }
    return w->isVisible() && w->isEnabled();
}

bool WidgetCanFocus(QWidget* w)
{
    if (auto* c = qobject_cast<TControl*>(w))
        return c->CanFocus();
    return w->focusPolicy() != Qt::NoFocus && w->isEnabled() && ChildCounts(w) && ParentsAllowFocus(w);
}

bool WidgetTabStop(QWidget* w)
{
    if (auto* c = qobject_cast<TControl*>(w))
        return c->TabStop();
    return (w->focusPolicy() & Qt::TabFocus) != 0;
}
}

bool TControl::CanFocus() const
{
    return visible_ && enabled_ && ParentsAllowFocus(this);
}

bool TControl::ContainsControl(const QWidget* widget) const
{
    return widget && (widget == this || isAncestorOf(widget));
}

std::vector<QWidget*> TControl::GetTabOrderList() const
{
    std::vector<QWidget*> out;
    for (const auto& w : tabList_) {
        if (!w || w->isWindow())
            continue;
        out.push_back(w);
        if (auto* c = qobject_cast<TControl*>(w.data())) {
            const std::vector<QWidget*> inner = c->GetTabOrderList();
            out.insert(out.end(), inner.begin(), inner.end());
        }
    }
    return out;
}

QWidget* TControl::FindNextControl(QWidget* current, bool forward, bool checkTabStop, bool checkParent) const
{
    const std::vector<QWidget*> list = GetTabOrderList();
    if (list.empty())
        return nullptr;
    const int n = static_cast<int>(list.size());
    auto it = std::find(list.begin(), list.end(), current);
    const int start = it != list.end() ? static_cast<int>(it - list.begin()) : (forward ? n - 1 : 0);
    int i = start;
    do {
        i = forward ? (i + 1) % n : (i + n - 1) % n;
        QWidget* w = list[static_cast<size_t>(i)];
        if (WidgetCanFocus(w) && (!checkTabStop || WidgetTabStop(w)) && (!checkParent || w->parentWidget() == this))
            return w;
    } while (i != start);
    return nullptr;
}

void TControl::SelectFirst()
{
    QWidget* w = FindNextControl(nullptr, true, true, false);
    if (!w)
        w = FindNextControl(nullptr, true, false, false);
    if (!w)
        return;
    if (TCustomForm* form = GetParentForm(this))
        form->SetActiveControl(w);
    else if (auto* c = qobject_cast<TControl*>(w))
        c->SetFocus();
    else
        w->setFocus(Qt::TabFocusReason);
}

void TControl::HandleNeeded()
{
    if (handleAllocated_)
        return;
    handleAllocated_ = true;
    CreateWnd();
}

void TControl::CreateWnd() {}

void TControl::SetFocus()
{
    if (!CanFocus())
        return;
    if (TCustomForm* form = GetParentForm(this))
        form->SetActiveControl(this);
    else
        setFocus(Qt::OtherFocusReason);
}

// ---- painting ----

void TControl::InvalidateRect(const TRect* r, bool erase)
{
    QRect q = r ? r->ToQRect().intersected(rect()) : rect();
    if (q.isEmpty())
        return;
    if (erase)
        eraseRegion_ += q;
    dirty_ += q;
    update(q);
}

void TControl::Update()
{
    if (dirty_.isEmpty())
        return;
    repaint(dirty_);
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::PaintTo(TCanvas& canvas, bool erase)
{
    if (erase)
        EraseBackground(canvas);
}

void TControl::EraseBackground(TCanvas& canvas)
{
    const TBrush saved = canvas.Brush();
    canvas.Brush().SetBitmap(nullptr);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color_);
    canvas.FillRect(ClientRect());
    canvas.Brush() = saved;
}

void TControl::PaintBackgroundOnly(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), ToQColor(color_));
}

void TControl::paintEvent(QPaintEvent* e)
{
    dirty_ -= e->region();
    eraseRegion_ = QRegion();
    PaintBackgroundOnly(e);
}

// ---- timers ----

bool TControl::SetTimer(int id, int interval)
{
    KillTimer(id);
    const int qtId = startTimer(std::max(0, interval));
    if (qtId == 0)
        return false;
    timers_[id] = qtId;
    return true;
}

bool TControl::KillTimer(int id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return false;
    killTimer(it->second);
    timers_.erase(it);
    return true;
}

void TControl::timerEvent(QTimerEvent* e)
{
    for (const auto& [id, qtId] : timers_)
        if (qtId == e->timerId()) {
            WMTimer(id);
            return;
        }
    QWidget::timerEvent(e);
}

void TControl::WMTimer(int) {}

// ---- mouse ----

bool TControl::MouseCapture() const
{
    return explicitCapture_ || mouseDown_ || QWidget::mouseGrabber() == this;
}

void TControl::SetMouseCapture(bool value)
{
    if (value) {
        // While a button is held Qt already sends everything to us.
        if (!mouseDown_ && !explicitCapture_ && isVisible()) {
            grabMouse();
            explicitCapture_ = true;
        }
    } else if (explicitCapture_) {
        releaseMouse();
        explicitCapture_ = false;
    }
}

TPoint TControl::CursorPos() const
{
    QPoint q = mapFromGlobal(QCursor::pos());
    return {q.x(), q.y()};
}

void TControl::ActivateWindowForPress()
{
    // A click on an inactive window both activates it and acts: the window
    // is active before the press is handled, so a control that takes the
    // focus on a press (and follows the press only once it has it) gets it
    // at once. Under X the window system's activation arrives only after
    // the press, and Qt gives no focus inside an inactive window, so the
    // first click would be lost; Qt's own activation, when it comes, finds
    // the window active already.
    QWidget* w = window();
    if (w == QApplication::activeWindow() || !w->isVisible() || QApplication::activePopupWidget() ||
        (w->windowFlags() & Qt::WindowDoesNotAcceptFocus) || w->windowType() == Qt::Popup ||
        w->windowType() == Qt::ToolTip)
        return;
    QApplication::setActiveWindow(w);
}

void TControl::MouseButtonPressed(QMouseEvent* e, bool doubleClick)
{
    TMouseButton button;
    if (!MapButton(e->button(), button)) {
        e->ignore();
        return;
    }
    e->accept();
    ActivateWindowForPress();
    mouseDown_ = true;
    TShiftState shift = ShiftStateFromQt(e->modifiers(), e->buttons());
    const QPoint pos = e->position().toPoint();
    if (doubleClick && (controlStyle_ & csDoubleClicks)) {
        shift |= ssDouble;
        if (button == mbLeft && (controlStyle_ & csClickEvents))
            DblClick();
    } else if (button == mbLeft && (controlStyle_ & csClickEvents)) {
        clicked_ = true;
    }
    const QPoint global = e->globalPosition().toPoint();
    const CurrentPress outer = currentPress;
    currentPress = {this, {global.x(), global.y()}};
    struct Restore {
        CurrentPress saved;
        ~Restore() { currentPress = saved; }
    } restore{outer};
    MouseDown(button, shift, pos.x(), pos.y());
}

void TControl::CancelMode()
{
    clicked_ = false;
    mouseDown_ = false;
}

// ---- docking ----

void TControl::BeginDrag(bool immediate, int threshold)
{
    TControl* source = currentPress.control;
    TPoint start = currentPress.screenPos;
    if (!source) {
        const QPoint p = QCursor::pos();
        start = {p.x(), p.y()};
    }
    TDockDrag::Begin(this, source, start, immediate, threshold);
}

bool TControl::Dragging() const
{
    const TDockDrag* drag = TDockDrag::Current();
    return drag && drag->Control() == this;
}

bool TControl::GetSiteInfo(TControl*, TPoint, TRect&)
{
    return false;
}

bool TControl::DockDrop(TControl*, TPoint)
{
    return false;
}

void TControl::UndockControl(TControl* client, QWidget* newParent)
{
    if (!client)
        return;
    if (client->hostDockSite_ == this)
        client->hostDockSite_ = nullptr;
    client->SetParent(newParent);
}

void TControl::ManualFloat(const TRect& screenRect)
{
    // Qt hides a widget whose parent changes (and a form takes that as its
    // own Visible going off); a window of its own shows only when asked to.
    const bool shown = Visible();
    if (TControl* host = hostDockSite_)
        host->UndockControl(this, nullptr);
    if (parentWidget())
        SetParent(nullptr);
    SetBounds(screenRect.Left, screenRect.Top, screenRect.Width(), screenRect.Height());
    if (shown) {
        visible_ = true;
        QWidget::show();
    }
    floating_ = true;
    TDockDrag::Floated(this);
}

TRect TControl::WindowDockZone()
{
    const TPoint origin = ClientToScreen(Point(0, 0));
    return Bounds(origin.X, origin.Y, Width(), Height());
}

void TControl::mousePressEvent(QMouseEvent* e)
{
    MouseButtonPressed(e, false);
}

void TControl::mouseDoubleClickEvent(QMouseEvent* e)
{
    // Without csDoubleClicks the second press of a double click is an
    // ordinary press.
    MouseButtonPressed(e, true);
}

void TControl::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    const QPoint pos = e->position().toPoint();
    MouseMove(ShiftStateFromQt(e->modifiers(), e->buttons()), pos.x(), pos.y());
}

void TControl::mouseReleaseEvent(QMouseEvent* e)
{
    TMouseButton button;
    if (!MapButton(e->button(), button)) {
        e->ignore();
        return;
    }
    e->accept();
    if (e->buttons() == Qt::NoButton)
        mouseDown_ = false;
    const QPoint pos = e->position().toPoint();
    if (button == mbLeft && clicked_) {
        clicked_ = false;
        if (rect().contains(pos))
            Click();
    }
    MouseUp(button, ShiftStateFromQt(e->modifiers(), e->buttons()), pos.x(), pos.y());
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::enterEvent(QEnterEvent*)
{
    CMMouseEnter();
}

void TControl::leaveEvent(QEvent*)
{
    CMMouseLeave();
}

void TControl::CMMouseEnter() {}
void TControl::CMMouseLeave() {}

void TControl::contextMenuEvent(QContextMenuEvent* e)
{
    if (popupMenu_) {
        popupMenu_->popup(e->globalPos());
        e->accept();
    } else {
        e->ignore();
    }
}

// ---- keyboard ----

void TControl::keyPressEvent(QKeyEvent* e)
{
    // A key a focused child did not take travels up to its parents; it is
    // not this control's key.
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != this && isAncestorOf(focus)) {
        e->ignore();
        return;
    }
    e->accept();
    TShiftState shift = ShiftStateFromQt(e->modifiers());
    TKey key = KeyFromQt(e, shift);
    KeyDown(key, shift);
    if (key == 0)
        return;
    const QString text = e->text();
    // Alt+letter is an accelerator, never a typed character; a plain
    // character this control does not take may be one.
    if (TCustomForm* form = GetParentForm(this)) {
        if ((shift & ssAlt) && !(shift & ssCtrl)) {
            const QChar ch = AccelCharFromQt(e);
            if (!ch.isNull())
                form->DispatchDialogChar(ch, shift);
            return;
        }
        if (!(shift & (ssCtrl | ssAlt)) && !(GetDlgCode() & DLGC_WANTCHARS) && !text.isEmpty() &&
            text.at(0).isPrint() && form->DispatchDialogChar(text.at(0), shift))
            return;
    }
    if (!text.isEmpty()) {
        QChar ch = text.at(0);
        KeyPress(ch);
    }
}

void TControl::keyReleaseEvent(QKeyEvent* e)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != this && isAncestorOf(focus)) {
        e->ignore();
        return;
    }
    e->accept();
    // A held key repeats its key-down only, as the platform the widgets
    // were designed for does: a key-up means the key is really released.
    if (e->isAutoRepeat())
        return;
    TShiftState shift = ShiftStateFromQt(e->modifiers());
    TKey key = KeyFromQt(e, shift);
    KeyUp(key, shift);
}

void TControl::KeyDown(TKey& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TControl::KeyUp(TKey& key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TControl::KeyPress(QChar& key)
{
    if (OnKeyPress)
        OnKeyPress(this, key);
}

bool TControl::CMDialogKey(TKey key, TShiftState shift)
{
    for (QObject* o : children()) {
        auto* c = qobject_cast<TControl*>(o);
        if (c && !c->isWindow() && c->CMDialogKey(key, shift))
            return true;
    }
    return false;
}

bool TControl::CMDialogChar(QChar ch, TShiftState shift)
{
    for (QObject* o : children()) {
        auto* c = qobject_cast<TControl*>(o);
        if (c && !c->isWindow() && c->CMDialogChar(ch, shift))
            return true;
    }
    return false;
}

void TControl::CMFocusChanged(QWidget*) {}

void TControl::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    WMSetFocus();
    if (!GetParentForm(this))
        DoEnter();
}

void TControl::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    WMKillFocus();
    if (!GetParentForm(this))
        DoExit();
}

void TControl::WMSetFocus() {}
void TControl::WMKillFocus() {}

void TControl::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

// ---- lifecycle and Qt events ----

void TControl::Loaded()
{
    TComponent::Loaded();
    if (alignPending_)
        Realign();
}

void TControl::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    SizeMaybeChanged(lastBounds_);
}

void TControl::moveEvent(QMoveEvent* e)
{
    QWidget::moveEvent(e);
    SizeMaybeChanged(lastBounds_);
    if (floating_ && isWindow())
        TDockDrag::WindowMoved(this);
}

void TControl::ChildListChanged(QWidget* child, bool added)
{
    if (added) {
        child->installEventFilter(this);
        tabList_.erase(std::remove_if(tabList_.begin(), tabList_.end(),
                                      [child](const QPointer<QWidget>& w) { return !w || w == child; }),
                       tabList_.end());
        tabList_.emplace_back(child);
    } else {
        child->removeEventFilter(this);
        tabList_.erase(std::remove_if(tabList_.begin(), tabList_.end(),
                                      [child](const QPointer<QWidget>& w) { return !w || w == child; }),
                       tabList_.end());
    }
    if (WidgetAlign(child) != alNone)
        Realign();
}

bool TControl::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved: {
        QObject* child = static_cast<QChildEvent*>(e)->child();
        if (child && child->isWidgetType())
            ChildListChanged(static_cast<QWidget*>(child), e->type() == QEvent::ChildAdded);
        break;
    }
    case QEvent::Show:
        HandleNeeded();
        break;
    case QEvent::KeyPress: {
        // Qt moves the focus on Tab before the key reaches the control; a
        // control that handles tabs itself gets them as keys.
        auto* ke = static_cast<QKeyEvent*>(e);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && (GetDlgCode() & DLGC_WANTTAB)) {
            keyPressEvent(ke);
            return true;
        }
        break;
    }
    case QEvent::ToolTip: {
        auto* he = static_cast<QHelpEvent*>(e);
        const QString shortHint = hint_.section(u'|', 0, 0);
        if (ShowHint() && !shortHint.isEmpty() && CanShowHint({he->pos().x(), he->pos().y()}))
            QToolTip::showText(he->globalPos(), shortHint, this);
        else
            QToolTip::hideText();
        return true;
    }
    default:
        break;
    }
    return QWidget::event(e);
}

bool TControl::eventFilter(QObject* watched, QEvent* e)
{
    if (watched->isWidgetType() && static_cast<QWidget*>(watched)->parentWidget() == this) {
        auto* child = static_cast<QWidget*>(watched);
        switch (e->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            if (WidgetAlign(child) != alNone && !qobject_cast<TControl*>(child))
                Realign();
            break;
        case QEvent::Resize:
        case QEvent::Move:
            // A plain widget moved or sized by other code goes back in line.
            if (WidgetAlign(child) != alNone && !qobject_cast<TControl*>(child) && !aligning_)
                Realign();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* owner, QWidget* parent)
    : TControl(owner, parent), canvas_(&image_), activeCanvas_(&canvas_)
{
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}

void TCustomControl::EnsureImage()
{
    const QSize size = this->size();
    if (image_.size() == size)
        return;
    QImage fresh(size, QImage::Format_RGB32);
    fresh.fill(Qt::white);
    QRegion exposed(fresh.rect());
    if (!image_.isNull()) {
        // Keep what the old image showed; only the new area needs an erase.
        QPainter p(&fresh);
        p.drawImage(0, 0, image_);
        exposed -= QRegion(image_.rect());
    }
    eraseRegion_ += exposed;
    image_ = std::move(fresh);
    canvas_.SetTarget(&image_);
}

void TCustomControl::ReleaseImage()
{
    image_ = QImage();
    canvas_.SetTarget(&image_);
}

void TCustomControl::PaintToImage()
{
    EnsureImage();
    if (image_.isNull())
        return;
    canvas_.SetViewportOrg(0, 0);
    canvas_.SelectClipRgn(nullptr);
    const QRegion erase = PendingErase().intersected(image_.rect());
    ClearPendingErase();
    if (!erase.isEmpty()) {
        const TRegion clip(erase);
        canvas_.SelectClipRgn(&clip);
        EraseBackground(canvas_);
        canvas_.SelectClipRgn(nullptr);
    }
    activeCanvas_ = &canvas_;
    Paint();
}

void TCustomControl::paintEvent(QPaintEvent* e)
{
    dirty_ -= e->region();
    PaintToImage();
    if (image_.isNull())
        return;
    QPainter p(this);
    p.setClipRegion(e->region());
    p.drawImage(0, 0, image_);
}

void TCustomControl::PaintTo(TCanvas& canvas, bool erase)
{
    if (erase)
        EraseBackground(canvas);
    TCanvas* saved = activeCanvas_;
    activeCanvas_ = &canvas;
    try {
        Paint();
    } catch (...) {
        activeCanvas_ = saved;
        throw;
    }
    activeCanvas_ = saved;
}

// ---------------------------------------------------------------------------
// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner, QWidget* parent) : TCustomControl(owner, parent)
{
    SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                    csReplicatable);
    SetBounds(Left(), Top(), 185, 41);
    SetColor(clBtnFace);
}

void TCustomPanel::SetAlignment(TAlignment value)
{
    if (alignment_ == value)
        return;
    alignment_ = value;
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    if (bevelOuter_ == value)
        return;
    bevelOuter_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    if (bevelInner_ == value)
        return;
    bevelInner_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value)
{
    if (value < 1 || bevelWidth_ == value)
        return;
    bevelWidth_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int value)
{
    if (value < 0 || borderWidth_ == value)
        return;
    borderWidth_ = value;
    Realign();
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& rect)
{
    TCustomControl::AdjustClientRect(rect);
    InflateRect(rect, -borderWidth_, -borderWidth_);
    int bevel = 0;
    if (bevelOuter_ != bvNone)
        bevel += bevelWidth_;
    if (bevelInner_ != bvNone)
        bevel += bevelWidth_;
    InflateRect(rect, -bevel, -bevel);
}

namespace {
// Rings of `width` pixels: top and left in `top`, right and bottom in `bottom`.
void Frame3D(TCanvas& canvas, TRect& rect, TColor top, TColor bottom, int width)
{
    canvas.Pen().SetWidth(1);
    --rect.Bottom;
    --rect.Right;
    while (width-- > 0) {
        canvas.Pen().SetColor(top);
        canvas.Polyline({{rect.Left, rect.Bottom}, {rect.Left, rect.Top}, {rect.Right, rect.Top}});
        canvas.Pen().SetColor(bottom);
        canvas.Polyline({{rect.Right, rect.Top}, {rect.Right, rect.Bottom}, {rect.Left - 1, rect.Bottom}});
        InflateRect(rect, -1, -1);
    }
    ++rect.Bottom;
    ++rect.Right;
}

void BevelColors(TBevelCut bevel, TColor& top, TColor& bottom)
{
    top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}
}

void TCustomPanel::Paint()
{
    TCanvas& canvas = Canvas();
    TRect r = ClientRect();
    TColor top, bottom;
    if (bevelOuter_ != bvNone) {
        BevelColors(bevelOuter_, top, bottom);
        Frame3D(canvas, r, top, bottom, bevelWidth_);
    }
    Frame3D(canvas, r, Color(), Color(), borderWidth_);
    if (bevelInner_ != bvNone) {
        BevelColors(bevelInner_, top, bottom);
        Frame3D(canvas, r, top, bottom, bevelWidth_);
    }
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r);
    if (Caption().isEmpty())
        return;
    canvas.Brush().SetStyle(bsClear);
    canvas.SetFont(Font());
    const int h = canvas.TextHeight(QStringLiteral("W"));
    r.Top = (r.Bottom + r.Top - h) / 2;
    r.Bottom = r.Top + h;
    static const unsigned kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    canvas.DrawText(Caption(), r, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | kAlign[alignment_]);
    canvas.Brush().SetStyle(bsSolid);
}

void TCustomPanel::CMTextChanged()
{
    TCustomControl::CMTextChanged();
    Invalidate();
}
