#pragma once
// Dragging a control with the mouse to dock it somewhere else.
//
// TControl::BeginDrag arms a drag of the control. It begins for real only
// once the mouse has moved the threshold with the button held (unless asked
// to begin at once); until then a release is a plain click. While the drag
// runs, every mouse event of the application is watched, whichever widget it
// goes to: the dock site under the cursor is looked up through the control
// classes' virtual members (IsDockSite, GetSiteInfo), and a frame shows where
// the control would go: the site's drop rectangle, or an outline of the
// control's size at the cursor where no site is. Escape cancels and leaves
// everything as it was; the release docks the control into the site
// (DockDrop), floats it as a window of its own at the outline where no site
// is, and does nothing over a site that refuses it.
//
// A floating control's window dragged by its title bar is moved by the
// window manager, which keeps the mouse to itself meanwhile: no mouse event
// comes, and some window managers tell of the move only once it is over.
// A move reported while the button is held starts a drag that asks the
// window system for the pointer instead; a move reported after the release
// is a drop where the cursor is. Either docks the control when the button
// is let go inside a site's WindowDockZone; elsewhere the window stays
// where it was moved.
#include "Graphics.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QRubberBand;
class TControl;

// How far, in pixels along either axis, the mouse must travel with the
// button held before a press becomes a drag.
constexpr int DefaultDragThreshold = 5;
// Whether the mouse moving from `start` to `now` has passed `threshold`.
bool DragThresholdPassed(TPoint start, TPoint now, int threshold = DefaultDragThreshold);

// The dock site that takes a drop at `screenPos` for `client`: the control
// nearest the widget under that point, going outwards, that is a dock site;
// the dragged control's own window and everything inside it do not count.
// `accepts` and `dropRect` give the site's answer. nullptr where no site is.
TControl* FindDockSite(TControl* client, TPoint screenPos, bool& accepts, TRect& dropRect,
                       const QWidget* ignore = nullptr);

// The pointer as the window system has it now, whoever holds the mouse.
struct TPointerState {
    TPoint Pos;
    bool LeftDown = false;
};
TPointerState QueryPointer();
// Replaces where QueryPointer asks (for tests); an empty function restores it.
void SetPointerQuery(std::function<TPointerState()> query);

class TDockDrag : public QObject {
    Q_OBJECT
public:
    ~TDockDrag() override;

    // The drag armed or running now, or nullptr.
    static TDockDrag* Current();
    // Arms a drag of `control` pressed at `screenStart`; `source` is the
    // control that received the press (it forgets the press when the drag
    // begins). A drag already armed or running is cancelled first. A
    // negative threshold means the default.
    static void Begin(TControl* control, TControl* source, TPoint screenStart, bool immediate, int threshold = -1);
    // Ends the current drag without dropping.
    static void Cancel();
    // A floating control's window has moved, with the cursor off its client
    // area (on its title bar): with the left button held (pressed after the
    // control floated) a drag following the pointer begins; with the button
    // up the move is over, and the control docks if it was let go on a
    // site's zone.
    static void WindowMoved(TControl* control);
    // The control has just become a window of its own: the press that may
    // still be held (a double-click on its tab) cannot drag it anywhere.
    static void Floated(TControl* control);

    TControl* Control() const { return control_; }
    // True once the threshold was passed (the frame is on screen).
    bool Started() const { return started_; }
    // The site under the cursor, or nullptr; whether it would take the control.
    TControl* Target() const { return target_; }
    bool TargetAccepts() const { return accepts_; }
    // Where the control would land, in screen coordinates: the site's drop
    // rectangle or the floating outline; empty where the drop does nothing.
    TRect DockRect() const { return dockRect_; }
    // The frame showing DockRect while the drag runs.
    QWidget* Feedback() const;
    // True for a drag of a window the window manager is moving.
    bool FollowsWindow() const { return followsWindow_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TDockDrag(TControl* control, TControl* source, TPoint screenStart, int threshold);
    void Start();
    void MoveTo(TPoint p);
    void Drop(TPoint p);
    // Takes the drag off the application; the object goes later.
    void Finish();
    TRect FloatingRect(TPoint p) const;
    TSize FloatingSize() const;
    // A tick of a drag following a window: the pointer moved or let go.
    void Poll();

    QPointer<TControl> control_;
    QPointer<TControl> source_;
    TPoint start_;
    TPoint grabOffset_;   // the press point inside the control
    int threshold_;
    bool started_ = false;
    bool finished_ = false;
    QPointer<TControl> target_;
    bool accepts_ = false;
    TRect dockRect_;
    std::unique_ptr<QRubberBand> frame_;
    bool updatingFrame_ = false;
    bool followsWindow_ = false;
    QTimer poll_;
};
