#include "Forms.h"

#include "Application.h"
#include "Exception.h"
#include "WindowManagerHints.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

// One object for the whole application: sees every key press before the
// widget it is meant for, and every focus change.
class TFormKeyRouter : public QObject {
public:
    static void Ensure()
    {
        static QPointer<TFormKeyRouter> router;
        if (router || !qApp)
            return;
        router = new TFormKeyRouter(qApp);
        qApp->installEventFilter(router);
        connect(qApp, &QApplication::focusChanged, router, [](QWidget*, QWidget* now) {
            if (!now)
                return;
            TCustomForm* form = GetParentForm(now);
            if (!form || form->Destroying())
                return;
            // Handlers run from here are outside any event delivery: a
            // failure is shown like any other and the focus change stands.
            try {
                form->FocusMoved(form->lastFocus_, now);
            } catch (const Exception& e) {
                TApplication::ShowException(e.Message());
            } catch (const std::exception& e) {
                TApplication::ShowException(QString::fromUtf8(e.what()));
            }
        });
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        auto* target = static_cast<QWidget*>(watched);
        // The same event travelling up from a focused child was routed
        // when it reached that child.
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus != target && target->isAncestorOf(focus))
            return false;
        TCustomForm* form = GetParentForm(target);
        if (!form || form->Destroying())
            return false;
        return form->RouteKey(target, static_cast<QKeyEvent*>(e));
    }

private:
    using QObject::QObject;
};

TCustomForm* GetParentForm(const QWidget* widget)
{
    if (!widget)
        return nullptr;
    return qobject_cast<TCustomForm*>(widget->window());
}

unsigned WidgetDlgCode(const QWidget* widget)
{
    if (!widget)
        return 0;
    if (auto* c = qobject_cast<const TControl*>(widget))
        return c->GetDlgCode();
    const QVariant explicitCode = widget->property("dlgCode");
    if (explicitCode.isValid())
        return explicitCode.toUInt();
    if (auto* te = qobject_cast<const QTextEdit*>(widget))
        return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS | (te->tabChangesFocus() ? 0u : DLGC_WANTTAB);
    if (auto* pe = qobject_cast<const QPlainTextEdit*>(widget))
        return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS | (pe->tabChangesFocus() ? 0u : DLGC_WANTTAB);
    // Qt's buttons move between themselves with the arrows (radio buttons
    // check the one they reach); Enter and Escape go to the controls first.
    if (qobject_cast<const QAbstractButton*>(widget))
        return DLGC_BUTTON | DLGC_WANTARROWS;
    return DLGC_WANTARROWS | DLGC_WANTCHARS;
}

namespace {
std::vector<TControl*> ControlChain(QWidget* w, QWidget* stop)
{
    std::vector<TControl*> chain;
    for (QWidget* p = w; p && p != stop; p = p->parentWidget()) {
        if (auto* c = qobject_cast<TControl*>(p))
            chain.push_back(c);
        if (p->isWindow())
            break;
    }
    return chain;
}

bool Focusable(QWidget* w)
{
    if (auto* c = qobject_cast<TControl*>(w))
        return c->CanFocus();
    return w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
}
}

// ---------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TControl(owner, nullptr)
{
    visible_ = false;
    parentFont_ = false;
    SetBounds(0, 0, 320, 240);
    SetColor(clBtnFace);
    TFormKeyRouter::Ensure();
}

TCustomForm::~TCustomForm()
{
    if (modalLoop_)
        modalLoop_->quit();
}

void TCustomForm::SetActiveControl(QWidget* control)
{
    if (control && (control == this || control->window() != this))
        return;
    activeControl_ = control;
    if (!control) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus->window() == this)
            focus->clearFocus();
        return;
    }
    // In an inactive or hidden window Qt keeps this as the widget to focus
    // when the window is activated.
    control->setFocus(Qt::OtherFocusReason);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    if (borderStyle_ == value)
        return;
    borderStyle_ = value;
    ApplyBorderHints();
}

void TCustomForm::SetBounds(int left, int top, int width, int height)
{
    designedSize_ = QSize(std::max(0, width), std::max(0, height));
    TControl::SetBounds(left, top, width, height);
}

void TCustomForm::ApplyBorderHints()
{
    // A sizeable border is what Qt tells the window manager anyway.
    if (borderStyle_ == bsSingle && internalWinId())
        SetSingleBorderHints(this);
}

void TCustomForm::resizeEvent(QResizeEvent* e)
{
    TControl::resizeEvent(e);
    // A window manager that offers maximising only with resizing also lets
    // the user drag the border: a size that came from outside is undone once
    // the window has settled, unless the window is maximised by then (the
    // state may follow its size change).
    if (borderStyle_ != bsSingle || !e->spontaneous())
        return;
    if (!keepSizeTimer_) {
        keepSizeTimer_ = new QTimer(this);
        keepSizeTimer_->setSingleShot(true);
        keepSizeTimer_->setInterval(200);
        connect(keepSizeTimer_, &QTimer::timeout, this, [this] { KeepDesignedSize(); });
    }
    keepSizeTimer_->start();
}

void TCustomForm::KeepDesignedSize()
{
    if (borderStyle_ != bsSingle || !isVisible() ||
        (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) ||
        size() == designedSize_)
        return;
    resize(designedSize_);
}

void TCustomForm::SetModalResult(TModalResult value)
{
    modalResult_ = value;
    if (value != mrNone && modalLoop_)
        modalLoop_->quit();
}

TModalResult TCustomForm::ShowModal()
{
    modalResult_ = mrNone;
    setWindowModality(Qt::ApplicationModal);
    SetVisible(true);
    QEventLoop loop;
    modalLoop_ = &loop;
    if (modalResult_ == mrNone && isVisible())
        loop.exec();
    modalLoop_ = nullptr;
    SetVisible(false);
    setWindowModality(Qt::NonModal);
    return modalResult_;
}

void TCustomForm::Close()
{
    QWidget::close();
}

void TCustomForm::closeEvent(QCloseEvent* e)
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (!canClose) {
        e->ignore();
        return;
    }
    TCloseAction action = caHide;
    if (OnClose)
        OnClose(this, action);
    switch (action) {
    case caNone:
        e->ignore();
        return;
    case caMinimize:
        showMinimized();
        e->ignore();
        return;
    case caFree:
        e->accept();
        deleteLater();
        break;
    default:
        e->accept();
        break;
    }
    if (modalLoop_) {
        if (modalResult_ == mrNone)
            modalResult_ = mrCancel;
        modalLoop_->quit();
    }
}

void TCustomForm::showEvent(QShowEvent* e)
{
    TControl::showEvent(e);
    if (e->spontaneous())
        return;
    // Before the window is mapped: the window manager reads the hints then.
    ApplyBorderHints();
    visible_ = true;
    if (OnShow)
        OnShow(this);
}

void TCustomForm::hideEvent(QHideEvent* e)
{
    TControl::hideEvent(e);
    if (e->spontaneous())
        return;
    // A form docked on a page goes out of sight with the page; it is still
    // meant to be shown.
    visible_ = !isWindow() && !isHidden();
    if (OnHide)
        OnHide(this);
}

bool TCustomForm::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && OnActivate)
        OnActivate(this);
    else if (e->type() == QEvent::WindowDeactivate && OnDeactivate)
        OnDeactivate(this);
    else if (e->type() == QEvent::WinIdChange && internalWinId())
        // Qt makes the native window anew when the first OpenGL child (the
        // preview's browser) is shown; the new one needs the hints again
        // before it is mapped.
        ApplyBorderHints();
    return TControl::event(e);
}

void TCustomForm::CMTextChanged()
{
    TControl::CMTextChanged();
    setWindowTitle(Caption());
}

// ---- keyboard routing ----

bool TCustomForm::RouteKey(QWidget* target, QKeyEvent* e)
{
    TShiftState shift = ShiftStateFromQt(e->modifiers());
    const TKey key = KeyFromQt(e, shift);
    const unsigned code = WidgetDlgCode(target);

    switch (key) {
    case Qt::Key_Tab:
        // Plain Tab is Qt's focus movement. Ctrl+Tab goes to the controls
        // unless the focused control handles tabs itself; plain Qt editors
        // would only insert a tab character, so they never keep it.
        if ((shift & ssCtrl) && !(shift & ssAlt)) {
            const bool wanted = qobject_cast<TControl*>(target) && (code & DLGC_WANTTAB);
            if (!wanted && DispatchDialogKey(key, shift))
                return true;
        }
        return false;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!(code & DLGC_WANTARROWS) && !(shift & ssAlt))
            return DispatchDialogKey(key, shift);
        return false;
    case Qt::Key_Return:
    case Qt::Key_Escape:
        if (!(code & DLGC_WANTALLKEYS))
            return DispatchDialogKey(key, shift);
        return false;
    default:
        break;
    }

    // Characters: a control routes its own after its key-down handling;
    // for plain Qt widgets the form does it here.
    if (qobject_cast<TControl*>(target))
        return false;
    if ((shift & ssAlt) && !(shift & ssCtrl)) {
        const QChar ch = AccelCharFromQt(e);
        return !ch.isNull() && DispatchDialogChar(ch, shift);
    }
    if (!(shift & (ssCtrl | ssAlt)) && !(code & DLGC_WANTCHARS)) {
        const QString text = e->text();
        if (!text.isEmpty() && text.at(0).isPrint())
            return DispatchDialogChar(text.at(0), shift);
    }
    return false;
}

bool TCustomForm::DispatchDialogKey(TKey key, TShiftState shift)
{
    // The focused control has the first word (a focused button answers
    // Enter itself), then the whole form in child order.
    if (auto* focused = qobject_cast<TControl*>(QApplication::focusWidget()))
        if (focused != this && focused->window() == this && focused->CMDialogKey(key, shift))
            return true;
    return CMDialogKey(key, shift);
}

bool TCustomForm::DispatchDialogChar(QChar ch, TShiftState shift)
{
    return CMDialogChar(ch, shift);
}

bool TCustomForm::CMDialogKey(TKey key, TShiftState shift)
{
    if (!(shift & ssAlt)) {
        switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: {
            QWidget* current = QApplication::focusWidget();
            if (!current || current->window() != this)
                current = activeControl_;
            if (current && current != this)
                SelectNextSibling(current, key == Qt::Key_Right || key == Qt::Key_Down);
            return true;
        }
        default:
            break;
        }
    }
    return TControl::CMDialogKey(key, shift);
}

void TCustomForm::SelectNextSibling(QWidget* current, bool forward)
{
    QWidget* parent = current->parentWidget();
    if (!parent)
        return;
    std::vector<QWidget*> order;
    if (auto* pc = qobject_cast<TControl*>(parent)) {
        for (const auto& w : pc->tabList_)
            if (w && !w->isWindow())
                order.push_back(w);
    } else {
        for (QObject* o : parent->children())
            if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow())
                order.push_back(static_cast<QWidget*>(o));
    }
    auto it = std::find(order.begin(), order.end(), current);
    if (it == order.end() || order.size() < 2)
        return;
    const int n = static_cast<int>(order.size());
    int i = static_cast<int>(it - order.begin());
    for (int step = 1; step < n; ++step) {
        QWidget* w = order[static_cast<size_t>(((i + (forward ? step : -step)) % n + n) % n)];
        if (Focusable(w)) {
            if (auto* c = qobject_cast<TControl*>(w))
                c->SetFocus();
            else
                w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

// ---- focus ----

void TCustomForm::FocusMoved(QWidget* from, QWidget* to)
{
    if (!to || to->window() != this || to == from)
        return;
    lastFocus_ = to;
    activeControl_ = to;

    const std::vector<TControl*> left = ControlChain(from, this);
    const std::vector<TControl*> entered = ControlChain(to, this);
    std::vector<QPointer<TControl>> exitList, enterList;
    for (TControl* c : left)
        if (std::find(entered.begin(), entered.end(), c) == entered.end())
            exitList.emplace_back(c);
    for (auto it = entered.rbegin(); it != entered.rend(); ++it)
        if (std::find(left.begin(), left.end(), *it) == left.end())
            enterList.emplace_back(*it);
    // The controls' own state (which button answers Enter) is brought up
    // to date before any handler runs, so a failing handler cannot leave
    // it stale.
    BroadcastFocusChanged(to);
    for (auto& c : exitList)
        if (c)
            c->DoExit();
    for (auto& c : enterList)
        if (c)
            c->DoEnter();
}

void TCustomForm::BroadcastFocusChanged(QWidget* focused)
{
    std::vector<QPointer<TControl>> all;
    all.emplace_back(this);
    for (TControl* c : findChildren<TControl*>())
        if (c->window() == this)
            all.emplace_back(c);
    for (auto& c : all)
        if (c)
            c->CMFocusChanged(focused);
}
