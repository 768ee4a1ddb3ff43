#pragma once
// The control base of the widget set, on QWidget.
//
// The widgets were designed for a toolkit with owners and parents, child
// alignment, a canvas with a Paint step, and a set of control notifications
// (mouse enter and leave, enabled changed, dialog keys and characters, focus
// changed, font and colour changed). TControl supplies exactly that on top
// of Qt: each notification is a virtual method called from the matching Qt
// event, mouse capture is Qt's implicit grab while a button is held, and a
// window timer is a QObject timer delivered to WMTimer.
//
// TCustomControl adds the double-buffered Canvas: every paint erases (when
// asked to) and paints into an off-screen image kept between passes, and
// copies the invalidated part to the screen once. TCustomPanel is the panel
// base with its bevels and the client-rectangle adjustment.
#include "Canvas.h"
#include "Components.h"
#include "Graphics.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

#include <QMenu>
class TCustomForm;

// ---------------------------------------------------------------------------
// Enumerations of the toolkit.

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Modifier keys and mouse buttons held during an input event (bits).
enum TShiftStateFlag : unsigned {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
using TShiftState = unsigned;

// Traits of a control (bits of ControlStyle()).
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 0x0001,
    csCaptureMouse = 0x0002,
    csClickEvents = 0x0004,   // a left press and release inside gives Click()
    csFramed = 0x0008,
    csSetCaption = 0x0010,
    csOpaque = 0x0020,        // paints its whole area (no parent background)
    csDoubleClicks = 0x0040,  // a double click gives DblClick(); else a second press
    csFixedWidth = 0x0080,
    csFixedHeight = 0x0100,
    csNoDesignVisible = 0x0200,
    csReplicatable = 0x0400,
    csParentBackground = 0x0800,
};
using TControlStyle = unsigned;

// Mouse cursors.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// What a control wants of the keys a form would otherwise take for itself
// (bits of GetDlgCode()).
enum TDlgCodeFlag : unsigned {
    DLGC_WANTARROWS = 0x0001,
    DLGC_WANTTAB = 0x0002,
    DLGC_WANTALLKEYS = 0x0004,   // Enter and Escape
    DLGC_WANTCHARS = 0x0080,     // plain characters (else they are accelerators)
    DLGC_BUTTON = 0x2000,
};

// Key codes are Qt::Key values. The keypad Enter arrives as Qt::Key_Return
// and Shift+Tab (Qt::Key_Backtab) as Qt::Key_Tab with ssShift.
using TKey = int;

// Event types.
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, TKey& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, QChar& Key)>;

// ---------------------------------------------------------------------------
// Alignment of plain Qt widgets (an editor, a browser view, a label) that
// sit among the controls: stored on the widget, honoured by the parent
// control's AlignControls like a control's Align.
void SetWidgetAlign(QWidget* widget, TAlign align);
TAlign WidgetAlign(QWidget* widget);

// The key of a Qt key event as the controls see it (keypad Enter as
// Qt::Key_Return, Backtab as Tab with ssShift added to `shift`).
TKey KeyFromQt(const QKeyEvent* e, TShiftState& shift);
// The character an Alt+key press stands for as an accelerator.
QChar AccelCharFromQt(const QKeyEvent* e);
// The modifier bits of a Qt event.
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// True when `ch` is the accelerator of `caption`: the character after a
// single '&' ("&&" is a literal ampersand), compared without case.
bool IsAccel(QChar ch, const QString& caption);
// The form that holds `widget` (its window, when that is a TCustomForm).
TCustomForm* GetParentForm(const QWidget* widget);

// ---------------------------------------------------------------------------
// The control base: a QWidget with the toolkit's properties and notifications.
class TControl : public QWidget, public TComponent {
    Q_OBJECT
public:
    // With a parent given here, the parent's colour and font are taken at
    // once by this class, and the notifications are repeated from the event
    // loop for the derived class's own handlers (which do not exist while
    // this constructor runs). A derived class that must see them before the
    // event loop runs calls CMParentColorChanged()/CMParentFontChanged() at
    // the end of its constructor, or is given its parent with SetParent.
    // Under a parent already on screen the control shows from the event loop.
    explicit TControl(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TControl() override;

    // With csSetCaption a caption equal to the old name follows the name.
    void SetName(const QString& name) override;

    // ---- parent and geometry ----
    // The parent window (a control or a plain Qt widget); the control shows
    // as soon as its parent does when Visible.
    QWidget* Parent() const { return parentWidget(); }
    // The parent when it is a control, else nullptr.
    TControl* ParentControl() const;
    virtual void SetParent(QWidget* parent);

    int Left() const { return geometry().x(); }
    int Top() const { return geometry().y(); }
    int Width() const { return geometry().width(); }
    int Height() const { return geometry().height(); }
    void SetLeft(int value) { SetBounds(value, Top(), Width(), Height()); }
    void SetTop(int value) { SetBounds(Left(), value, Width(), Height()); }
    void SetWidth(int value) { SetBounds(Left(), Top(), value, Height()); }
    void SetHeight(int value) { SetBounds(Left(), Top(), Width(), value); }
    TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // Every size and position change goes through here, so an override sees
    // the new bounds before they are applied (and may change them). Negative
    // sizes become 0. The parent realigns when an aligned child changes.
    virtual void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    // (0, 0, Width, Height): controls have no non-client area.
    virtual TRect ClientRect() const;
    TPoint ScreenToClient(TPoint p) const;
    TPoint ClientToScreen(TPoint p) const;

    // ---- alignment ----
    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);
    // Places the aligned children again (now, or after loading / when the
    // outermost EnableAlign comes).
    void Realign();
    void DisableAlign();
    void EnableAlign();
    bool AlignDisabled() const { return alignLevel_ > 0; }

    // ---- look ----
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& value) { font_.Assign(value); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& value);
    const QString& Text() const { return caption_; }
    void SetText(const QString& value) { SetCaption(value); }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& value);
    // The effective value: the parent's while ParentShowHint.
    bool ShowHint() const;
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    // Hides the hint on screen now (a control about to change its Hint).
    static void CancelHint();
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle style) { controlStyle_ = style; }

    // ---- state ----
    // The control's own flag (a control keeps its flag while a disabled
    // parent blocks its input).
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // The control's own flag; Showing() tells whether it is on screen.
    virtual bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);
    // Makes the control visible, and asks its parents to show it (a page
    // control brings the page to the front).
    void Show();
    void Hide() { SetVisible(false); }
    // A child asks to be shown; the base passes the request on to the parent.
    virtual void ShowControl(QWidget* control);
    bool Showing() const { return isVisible(); }

    // ---- focus ----
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    // Position among the parent's tab stops (-1 without a parent).
    int TabOrder() const;
    void SetTabOrder(int value);
    // Visible and enabled, with every parent visible and enabled.
    virtual bool CanFocus() const;
    // Takes the keyboard focus when CanFocus (otherwise nothing happens); in
    // an inactive window the control becomes the form's ActiveControl and
    // gets the focus when the window is activated.
    virtual void SetFocus();
    bool Focused() const { return hasFocus(); }
    // The keys this control handles itself although a form would use them
    // (DLGC_* bits). The base wants none.
    virtual unsigned GetDlgCode() const { return 0; }
    // Whether `widget` is this control or lies inside it.
    bool ContainsControl(const QWidget* widget) const;
    // The widgets inside this one in tab order, depth first (plain Qt
    // widgets are listed but not entered).
    std::vector<QWidget*> GetTabOrderList() const;
    // The next widget after `current` (nullptr: from the start) in that
    // order that can take the focus; with checkTabStop only tab stops, with
    // checkParent only children of this control.
    QWidget* FindNextControl(QWidget* current, bool forward, bool checkTabStop, bool checkParent) const;
    // Focuses the first tab stop inside (else the first focusable widget).
    void SelectFirst();

    // ---- window ----
    // The window exists once the control has been shown (or HandleNeeded).
    bool HandleAllocated() const { return handleAllocated_; }
    void HandleNeeded();

    // ---- painting ----
    // Invalidates the whole control with background erase.
    void Invalidate() { InvalidateRect(nullptr, true); }
    // Invalidates r (nullptr: everything). Without erase the next paint
    // draws over what the off-screen image already holds.
    void InvalidateRect(const TRect* r, bool erase);
    // Paints what is invalid now.
    void Update();
    // Invalidates with erase and paints now.
    void Repaint();
    // Replays this control's erase (when `erase`) and paint into `canvas`,
    // whose viewport origin the caller has set: how a transparent child
    // shows its parent. The base only erases.
    virtual void PaintTo(TCanvas& canvas, bool erase);
    // The erase step: fills the client area with Color. A control that
    // paints every pixel itself overrides it to do nothing.
    virtual void EraseBackground(TCanvas& canvas);

    // ---- timers ----
    // Starts (or restarts) window timer `id` repeating every `interval` ms;
    // its ticks arrive at WMTimer(id).
    bool SetTimer(int id, int interval);
    bool KillTimer(int id);
    bool TimerRunning(int id) const { return timers_.count(id) != 0; }

    // ---- mouse ----
    // Whether this control receives the mouse while the pointer is outside
    // it (Qt grabs the mouse for the pressed control until release).
    bool MouseCapture() const;
    void SetMouseCapture(bool value);
    // The mouse position in client coordinates.
    TPoint CursorPos() const;

    // ---- docking ----
    // Arms a drag of this control to dock it elsewhere (see DockDrag.h):
    // it begins once the mouse has moved `threshold` pixels with the left
    // button held (a negative threshold: the toolkit's default of 5), or at
    // once when `immediate`. Called while a mouse press is handled, the
    // drag counts from that press.
    void BeginDrag(bool immediate, int threshold = -1);
    // Whether this control is being dragged (armed or running).
    bool Dragging() const;
    // The dock site holding this control while it is docked; the site keeps it.
    TControl* HostDockSite() const { return hostDockSite_; }
    void SetHostDockSite(TControl* site) { hostDockSite_ = site; }
    // A dock site ends the search for a drop target under the cursor,
    // whether or not it takes the control. The base is none.
    virtual bool IsDockSite() const { return false; }
    // Whether `client`, dragged to `screenPos`, would be docked here; if so
    // `influenceRect` is where (screen coordinates). The base refuses.
    virtual bool GetSiteInfo(TControl* client, TPoint screenPos, TRect& influenceRect);
    // Docks `client` dropped at `screenPos`; true when it is docked here now.
    // The base docks nothing.
    virtual bool DockDrop(TControl* client, TPoint screenPos);
    // Gives up `client`, docked here, to `newParent` (nullptr: a window of
    // its own). The base only moves it over.
    virtual void UndockControl(TControl* client, QWidget* newParent = nullptr);
    // Makes the control a window of its own at `screenRect` (undocking it
    // from its site first), shown unless it is hidden on purpose.
    virtual void ManualFloat(const TRect& screenRect);
    // True from ManualFloat until the control is given a parent again.
    bool Floating() const { return floating_; }
    // Where the control was the last time it was a shown window of its own
    // that was then given a parent (screen coordinates; its normal bounds
    // when it was maximised), and whether it was maximised: what it comes
    // back as when it floats again. Empty until then.
    TRect FloatingBounds() const { return floatingBounds_; }
    // Where the control is to float the first time (nothing asked yet).
    void SetFloatingBounds(const TRect& bounds) { floatingBounds_ = bounds; }
    bool FloatingMaximized() const { return floatingMaximized_; }
    // Where, on this site, a floating window dragged by its title bar must
    // be let go to dock here (screen coordinates). The base: all of it.
    virtual TRect WindowDockZone();

    // ---- actions ----
    // Raises OnClick.
    virtual void Click();
    // Raises OnDblClick.
    virtual void DblClick();

    // ---- control notifications ----
    // Sent to a control and its descendants by the form; each returns true
    // when it handled the key or character. The base asks every child
    // control in turn and stops at the first that handles it.
    virtual bool CMDialogKey(TKey key, TShiftState shift);
    virtual bool CMDialogChar(QChar ch, TShiftState shift);
    // The form tells every control when the focus moves; `focused` is the
    // widget that has it now. The base does nothing.
    virtual void CMFocusChanged(QWidget* focused);
    // Called after the change of Enabled. The base repaints.
    virtual void CMEnabledChanged();
    // After Color changed: the base repaints and tells the children
    // (CMParentColorChanged).
    virtual void CMColorChanged();
    // The parent's colour changed: with ParentColor the control takes it.
    virtual void CMParentColorChanged();
    // After Font changed: the base repaints and tells the children.
    virtual void CMFontChanged();
    // The parent's font changed: with ParentFont the control takes it.
    virtual void CMParentFontChanged();
    // After Caption changed. The base does nothing.
    virtual void CMTextChanged();
    // The pointer entered / left the control. The base does nothing.
    virtual void CMMouseEnter();
    virtual void CMMouseLeave();
    // Passes CMParentColorChanged / CMParentFontChanged to every child control.
    void NotifyChildrenParentColorChanged();
    void NotifyChildrenParentFontChanged();

    // ---- events ----
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnResize;

    void Loaded() override;

protected:
    // ---- alignment hooks ----
    // Narrows the area the aligned children share. The base leaves it.
    virtual void AdjustClientRect(TRect& rect);
    // Places the aligned children inside `rect` (the client rectangle):
    // AdjustClientRect first, then alTop, alBottom, alLeft, alRight,
    // alClient and alCustom, each group in its current order on screen.
    // `control` is the child whose change caused the alignment (or nullptr).
    virtual void AlignControls(TControl* control, TRect& rect);
    // Where an alCustom child goes; the base leaves it where it is.
    virtual void CustomAlignPosition(QWidget* child, int& left, int& top, int& width, int& height,
                                     TRect& alignRect);

    // Runs once, when the window comes into existence: before the control is
    // first shown or when HandleNeeded asks. The base does nothing.
    virtual void CreateWnd();

    // ---- size and position hooks ----
    // After the bounds were applied; `oldBounds` are the previous ones.
    virtual void WMWindowPosChanged(const TRect& oldBounds);
    // After a change of size: the base realigns the children and calls Resize.
    virtual void WMSize();
    // Raises OnResize.
    virtual void Resize();

    // ---- input hooks; the bases raise the matching On* event ----
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void KeyDown(TKey& key, TShiftState shift);
    virtual void KeyUp(TKey& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    // The focus entered / left this control or a control inside it.
    virtual void DoEnter();
    virtual void DoExit();
    // The keyboard focus arrived at / left this very control.
    virtual void WMSetFocus();
    virtual void WMKillFocus();
    // A tick of window timer `id`.
    virtual void WMTimer(int id);
    // A drag took over the mouse press this control was handling: forget
    // the press, so that no click follows when the button comes up.
    virtual void CancelMode();
    // Asked before the hint is shown at client point `pos`; return false
    // to show none. The base allows it.
    virtual bool CanShowHint(TPoint pos);

    // ---- Qt events ----
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

    // The region waiting for an erase at the next paint (widget coordinates).
    const QRegion& PendingErase() const { return eraseRegion_; }
    void ClearPendingErase() { eraseRegion_ = QRegion(); }

private:
    friend class TCustomForm;
    friend class TCustomControl;
    friend class TDockDrag;
    void ApplyVisibility();
    void SizeMaybeChanged(const TRect& oldBounds);
    void RequestParentAlign();
    void DoAlign();
    void ChildListChanged(QWidget* child, bool added);
    void UpdateFocusPolicy();
    void ApplyTabOrder();
    void FontChanged();
    void MouseButtonPressed(QMouseEvent* e, bool doubleClick);
    void ActivateWindowForPress();
    void PaintBackgroundOnly(QPaintEvent* e);

    TAlign align_ = alNone;
    TColor color_ = clWindow;
    bool parentColor_ = true;
    TFont font_;
    bool parentFont_ = true;
    bool settingParentFont_ = false;
    QString caption_;
    TCursor cursor_ = crDefault;
    QString hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    QPointer<QMenu> popupMenu_;
    TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    bool enabled_ = true;
    bool visible_ = true;
    bool tabStop_ = false;
    std::vector<QPointer<QWidget>> tabList_;   // the children's tab order
    int alignLevel_ = 0;
    bool alignPending_ = false;
    bool aligning_ = false;
    TRect lastBounds_;
    bool clicked_ = false;
    bool explicitCapture_ = false;
    bool mouseDown_ = false;
    bool handleAllocated_ = false;
    QRegion eraseRegion_;
    QRegion dirty_;   // invalidated, not yet painted
    std::map<int, int> timers_;   // id -> Qt timer id
    QPointer<TControl> hostDockSite_;
    bool floating_ = false;
    // A floating window's title-bar drag may dock it only with a press made
    // after it floated, and only once it has moved (see TDockDrag::Floated).
    bool windowDockArmed_ = false;
    TPoint floatingPos_;
    TRect floatingBounds_;
    bool floatingMaximized_ = false;
};

// The windowed-control name the widgets know; one class serves both.
using TWinControl = TControl;

// ---------------------------------------------------------------------------
// A control that paints itself on its Canvas, double-buffered.
class TCustomControl : public TControl {
    Q_OBJECT
public:
    explicit TCustomControl(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TCustomControl() override;

    // The canvas Paint draws on: the control's off-screen image during a
    // paint pass, or the foreign canvas during PaintTo.
    TCanvas& Canvas() { return *activeCanvas_; }
    // The off-screen image (the control's size), as the last pass left it.
    const QImage& Image() const { return image_; }

    // Erases (when `erase`) and paints into `canvas` instead of the image.
    void PaintTo(TCanvas& canvas, bool erase) override;
    // Runs a paint pass into the off-screen image now, as the next screen
    // update would (erase where pending, then Paint), without the copy.
    void PaintToImage();
    // Gives the off-screen image back while the control is not shown (a
    // page control saving resources); the next paint makes a new one and
    // erases it whole.
    void ReleaseImage();

protected:
    // Draws the control on Canvas(). The base draws nothing.
    virtual void Paint();

    void paintEvent(QPaintEvent* e) override;

private:
    void EnsureImage();

    QImage image_;
    TCanvas canvas_;
    TCanvas* activeCanvas_;
};

// ---------------------------------------------------------------------------
// The panel base: a caption, bevels and a border band.
class TCustomPanel : public TCustomControl {
    Q_OBJECT
public:
    explicit TCustomPanel(TComponent* owner = nullptr, QWidget* parent = nullptr);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    bool FullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool value) { fullRepaint_ = value; }
    bool Locked() const { return locked_; }
    void SetLocked(bool value) { locked_ = value; }
    bool DockSite() const { return dockSite_; }
    void SetDockSite(bool value) { dockSite_ = value; }
    bool UseDockManager() const { return useDockManager_; }
    void SetUseDockManager(bool value) { useDockManager_ = value; }

protected:
    // Shrinks by BorderWidth and by BevelWidth for each bevel that is not bvNone.
    void AdjustClientRect(TRect& rect) override;
    // The plain panel: bevels, Color inside, the caption centred vertically.
    void Paint() override;
    void CMTextChanged() override;

private:
    TAlignment alignment_ = taCenter;
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    bool fullRepaint_ = true;
    bool locked_ = false;
    bool dockSite_ = false;
    bool useDockManager_ = true;
};
