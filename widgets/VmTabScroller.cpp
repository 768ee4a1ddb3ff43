#include "VmTabScroller.h"

#include "VmGrafx.h"
#include "VmTabs.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Press following, shared

TVmTabButtonBase::TVmTabButtonBase(TVmCustomTabControl* tabControl)
    : TCustomControl(tabControl, tabControl), tabControl_(tabControl)
{
    // One event per completed press, of any button; no toolkit click.
    SetControlStyle(ControlStyle() & ~csClickEvents);
    SetTabStop(false);
}

void TVmTabButtonBase::SetFrameColor(TColor value)
{
    if (value == frameColor_)
        return;
    frameColor_ = value;
    Invalidate();
}

void TVmTabButtonBase::PaintFrame(const TRect& r)
{
    TCanvas& canvas = Canvas();
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(frameColor_);
    canvas.Rectangle(r);
    canvas.Brush().SetStyle(bsSolid);
}

void TVmTabButtonBase::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    PressStarted(x, y);
    pressTracking_ = true;
    showPressed_ = true;
    Invalidate();
    SetMouseCapture(true);
}

void TVmTabButtonBase::MouseMove(TShiftState shift, int x, int y)
{
    TCustomControl::MouseMove(shift, x, y);
    if (!pressTracking_)
        return;
    const bool over = OverPressed(x, y);
    if (over != showPressed_) {
        showPressed_ = over;
        Invalidate();
    }
}

void TVmTabButtonBase::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    SetMouseCapture(false);
    pressTracking_ = false;
    if (!showPressed_)
        return;
    showPressed_ = false;
    Clicked();
    Invalidate();
}

// ---------------------------------------------------------------------------
// The scroller

TVmTabScroller::TVmTabScroller(TVmCustomTabControl* tabControl) : TVmTabButtonBase(tabControl)
{
}

void TVmTabScroller::SetOrientation(TOrientation value)
{
    if (value == orientation_)
        return;
    orientation_ = value;
    Invalidate();
}

bool TVmTabScroller::AtStart() const
{
    return TabControl() && TabControl()->FirstVisibleTab() == 0;
}

bool TVmTabScroller::EndShown() const
{
    const TVmCustomTabControl* tabs = TabControl();
    if (!tabs)
        return true;
    for (int i = tabs->Tabs().Count() - 1; i >= 0; --i)
        if (tabs->Tabs()[i]->Visible)
            return tabs->IsTabShown(i);
    return true;
}

bool TVmTabScroller::DownLeftEnabled() const
{
    if (!TabControl())
        return false;
    // Right-hand upright tabs run top to bottom, so their arrows swap roles.
    const bool swapped = (TabControl()->TabSequence() == tsReverse) != (TabControl()->TabOrientation() == toRight);
    return swapped ? !EndShown() : !AtStart();
}

bool TVmTabScroller::UpRightEnabled() const
{
    if (!TabControl())
        return false;
    const bool swapped = (TabControl()->TabSequence() == tsReverse) != (TabControl()->TabOrientation() == toRight);
    return swapped ? !AtStart() : !EndShown();
}

void TVmTabScroller::FireDownLeftClick()
{
    if (OnDownLeftClick)
        OnDownLeftClick(this);
}

void TVmTabScroller::FireUpRightClick()
{
    if (OnUpRightClick)
        OnUpRightClick(this);
}

void TVmTabScroller::Paint()
{
    TCanvas& canvas = Canvas();
    const int w = Width(), h = Height();
    // The two halves overlap by one line, so they share their middle border.
    TRect r = ClientRect();
    int direction;
    if (orientation_ == orHorizontal) {
        r.Right = r.Left + w / 2 + 1;
        direction = 2;
    } else {
        r.Top = r.Bottom - h / 2 - 1;
        direction = 1;
    }
    PaintScrollArrow(canvas, r, direction, DownLeftEnabled(), ShowPressed() && pressedHalf_ == DownLeft);
    PaintFrame(r);

    r = ClientRect();
    if (orientation_ == orHorizontal) {
        r.Left = r.Right - w / 2 - 1;
        direction = 3;
    } else {
        r.Bottom = r.Top + h / 2 + 1;
        direction = 0;
    }
    PaintScrollArrow(canvas, r, direction, UpRightEnabled(), ShowPressed() && pressedHalf_ == UpRight);
    PaintFrame(r);
}

bool TVmTabScroller::OverPressed(int x, int y) const
{
    const int w = Width(), h = Height();
    if (orientation_ == orHorizontal) {
        const int left = pressedHalf_ == DownLeft ? 0 : w / 2;
        return x >= left && x < left + w / 2 && y >= 0 && y < h;
    }
    if (x < 0 || x >= w)
        return false;
    return pressedHalf_ == UpRight ? y >= 0 && y <= h / 2 : y > h / 2 && y < h;
}

void TVmTabScroller::PressStarted(int x, int y)
{
    if (orientation_ == orHorizontal)
        pressedHalf_ = x < Width() / 2 ? DownLeft : UpRight;
    else
        pressedHalf_ = y <= Height() / 2 ? UpRight : DownLeft;
}

void TVmTabScroller::Clicked()
{
    if (pressedHalf_ == DownLeft)
        FireDownLeftClick();
    else
        FireUpRightClick();
}

// ---------------------------------------------------------------------------
// The close button

TVmTabCloseButton::TVmTabCloseButton(TVmCustomTabControl* tabControl) : TVmTabButtonBase(tabControl)
{
}

bool TVmTabCloseButton::Inactive() const
{
    return !TabControl() || TabControl()->TabIndex() == -1;
}

void TVmTabCloseButton::FireClose()
{
    if (OnClose)
        OnClose(this);
}

bool TVmTabCloseButton::OverPressed(int x, int y) const
{
    return ClientRect().Contains({x, y});
}

void TVmTabCloseButton::Paint()
{
    TCanvas& canvas = Canvas();
    const TRect r = ClientRect();
    // A flat button face with a cross; pushed moves the cross by a pixel,
    // greyed draws it embossed like a disabled caption glyph.
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(r);
    const int size = std::max(0, std::min(r.Width(), r.Height()) - 8);
    const int offset = ShowPressed() ? 1 : 0;
    const int x0 = r.Left + (r.Width() - size) / 2 + offset;
    const int y0 = r.Top + (r.Height() - size) / 2 + offset;
    auto cross = [&](int dx, int dy, TColor color) {
        canvas.Pen().SetStyle(psSolid);
        canvas.Pen().SetColor(color);
        for (int k = 0; k < 2; ++k) {
            // Two pixels thick, as the caption glyph is.
            canvas.MoveTo(x0 + dx + k, y0 + dy);
            canvas.LineTo(x0 + dx + k + size, y0 + dy + size);
            canvas.MoveTo(x0 + dx + k, y0 + dy + size - 1);
            canvas.LineTo(x0 + dx + k + size, y0 + dy - 1);
        }
    };
    if (size > 0) {
        if (Inactive()) {
            cross(1, 1, clBtnHighlight);
            cross(0, 0, clBtnShadow);
        } else {
            cross(0, 0, clBtnText);
        }
    }
    PaintFrame(r);
}
