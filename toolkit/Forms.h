#pragma once
// The form base: a top-level window holding controls. It keeps the active
// control and the modal result, and routes the keyboard the way the widgets
// expect:
//  - Enter and Escape (and arrows, Ctrl+Tab) that the focused widget does
//    not use (see TControl::GetDlgCode) go to the controls as CMDialogKey:
//    the focused control first, then every control of the form in child
//    order, until one handles it; a Default button answers Enter, a Cancel
//    one Escape, a page control holding the focus answers Ctrl+Tab;
//  - Alt+letter, and a plain character the focused widget does not take,
//    goes as CMDialogChar to every control until one handles it;
//  - every focus change is told to every control (CMFocusChanged), then
//    OnExit/OnEnter run along the controls the focus left and entered.
// Qt moves the focus with Tab itself; the form takes Ctrl+Tab before the
// focused widget sees it, so an editor cannot swallow it.
#include "Controls.h"

// Modal results.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;
constexpr TModalResult mrClose = 11;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
// bsSizeable: the user may size the window by its border; bsSingle: a
// fixed border, the window keeps the size code gives it except while
// maximised (or minimised).
enum TFormBorderStyle { bsSingle, bsSizeable };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TControl {
    Q_OBJECT
public:
    explicit TCustomForm(TComponent* owner = nullptr);
    ~TCustomForm() override;

    // The widget inside the form that has (or, while the form is inactive,
    // will get) the keyboard focus; a control or a plain Qt widget.
    QWidget* ActiveControl() const { return activeControl_; }
    // Focuses `control` when the form is active; otherwise it gets the
    // focus when the form is activated. nullptr takes the focus away from
    // the form's widgets.
    void SetActiveControl(QWidget* control);

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    // Records the size code gives the window: the size a single border keeps.
    void SetBounds(int left, int top, int width, int height) override;

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value);
    // Shows the form modally until ModalResult becomes non-zero or the form
    // is closed; returns the modal result (mrCancel when closed).
    TModalResult ShowModal();
    // Asks to close: OnCloseQuery may refuse, OnClose picks the action.
    void Close();

    // Hands a dialog key or character to the controls as the keyboard
    // routing does; true when one handled it.
    bool DispatchDialogKey(TKey key, TShiftState shift);
    bool DispatchDialogChar(QChar ch, TShiftState shift);
    // Tells every control of the form that `focused` has the focus now.
    void BroadcastFocusChanged(QWidget* focused);

    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

    // The form's own CMDialogKey: the controls first (the base); unhandled
    // arrows then move the focus between the form's controls.
    bool CMDialogKey(TKey key, TShiftState shift) override;

protected:
    // The title bar shows the caption.
    void CMTextChanged() override;
    // Where the focus went: updates ActiveControl, broadcasts CMFocusChanged,
    // runs DoExit/DoEnter along the chains of controls.
    virtual void FocusMoved(QWidget* from, QWidget* to);

    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class TFormKeyRouter;
    // Called by the application-wide key filter for a key meant for a widget
    // of this form; true when the form consumed it.
    bool RouteKey(QWidget* target, QKeyEvent* e);
    void SelectNextSibling(QWidget* current, bool forward);
    void ApplyBorderHints();
    void KeepDesignedSize();

    QPointer<QWidget> activeControl_;
    QPointer<QWidget> lastFocus_;
    class QEventLoop* modalLoop_ = nullptr;
    TModalResult modalResult_ = mrNone;
    bool inModal_ = false;
    TFormBorderStyle borderStyle_ = bsSizeable;
    QSize designedSize_;
    class QTimer* keepSizeTimer_ = nullptr;
};

class TForm : public TCustomForm {
    Q_OBJECT
public:
    explicit TForm(TComponent* owner = nullptr) : TCustomForm(owner) {}
};

// The DLGC_* bits of any widget: a control's GetDlgCode(); for plain Qt
// widgets what their kind handles (multi-line editors take Enter, Escape
// and characters; Qt's buttons take arrows; line edits, spin boxes and the
// like take characters and arrows). A widget can also carry an explicit
// "dlgCode" property.
unsigned WidgetDlgCode(const QWidget* widget);
