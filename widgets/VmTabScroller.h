#pragma once
// The two little controls that live inside a tab control: the pair of
// arrows that scrolls a single row of tabs by one tab, and the square close
// button. Both follow one press at a time (any mouse button), show the
// pressed look only while the pointer is over what was pressed, and raise
// one event per completed click; nothing repeats while a button is held.
#include "Controls.h"
#include "VmTabLayout.h"

class TVmCustomTabControl;

// What the arrows and the close button share: the frame colour, the owning
// tab control and the following of one press.
class TVmTabButtonBase : public TCustomControl {
    Q_OBJECT
public:
    TColor FrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor value);
    TVmCustomTabControl* TabControl() const { return tabControl_; }
    bool PressTracking() const { return pressTracking_; }
    bool ShowPressed() const { return showPressed_; }

protected:
    explicit TVmTabButtonBase(TVmCustomTabControl* tabControl);
    // A press starts at (x, y); the pressed part is chosen here.
    virtual void PressStarted(int x, int y) { (void)x; (void)y; }
    // Whether (x, y) lies over what was pressed.
    virtual bool OverPressed(int x, int y) const = 0;
    // A completed click: released over what was pressed.
    virtual void Clicked() = 0;
    // A one-pixel outline of r in FrameColor, the inside left as drawn.
    void PaintFrame(const TRect& r);

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    TColor frameColor_ = clBtnShadow;
    TVmCustomTabControl* tabControl_;
    bool pressTracking_ = false;
    bool showPressed_ = false;
};

class TVmTabScroller : public TVmTabButtonBase {
    Q_OBJECT
public:
    // The half a press belongs to.
    enum THalf : unsigned char { DownLeft = 0, UpRight = 1 };

    explicit TVmTabScroller(TVmCustomTabControl* tabControl);

    TOrientation Orientation() const { return orientation_; }
    virtual void SetOrientation(TOrientation value);
    THalf PressedHalf() const { return pressedHalf_; }

    // Which arrows can scroll, from the tab control's scroll state.
    bool DownLeftEnabled() const;
    bool UpRightEnabled() const;

    TNotifyEvent OnUpRightClick;
    TNotifyEvent OnDownLeftClick;

protected:
    virtual void FireDownLeftClick();
    virtual void FireUpRightClick();
    void Paint() override;
    void PressStarted(int x, int y) override;
    bool OverPressed(int x, int y) const override;
    void Clicked() override;

private:
    bool AtStart() const;
    bool EndShown() const;

    TOrientation orientation_ = orHorizontal;
    THalf pressedHalf_ = DownLeft;
};

class TVmTabCloseButton : public TVmTabButtonBase {
    Q_OBJECT
public:
    explicit TVmTabCloseButton(TVmCustomTabControl* tabControl);

    // Greyed while the tab control has no selected tab.
    bool Inactive() const;

    TNotifyEvent OnClose;

protected:
    virtual void FireClose();
    void Paint() override;
    bool OverPressed(int x, int y) const override;
    void Clicked() override { FireClose(); }
};
