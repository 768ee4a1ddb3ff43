#include "VmTabScroller.h"

#include "VmGrafx.h"
#include "VmTabs.h"

// ---------------------------------------------------------------------------
// The scroller

TVmTabScroller::TVmTabScroller(TVmCustomTabControl* tabControl)
    : TCustomControl(tabControl, tabControl), tabControl_(tabControl)
{
    SetControlStyle(ControlStyle() & ~csClickEvents);
    SetTabStop(false);
}

void TVmTabScroller::SetFrameColor(TColor value)
{
    if (value == frameColor_)
        return;
    frameColor_ = value;
    Invalidate();
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
    return tabControl_ && tabControl_->FirstVisibleTab() == 0;
}

bool TVmTabScroller::EndShown() const
{
    if (!tabControl_)
        return true;
    const TVmTabDataList& tabs = tabControl_->Tabs();
    for (int i = tabs.Count() - 1; i >= 0; --i)
        if (tabs[i]->Visible)
            return tabControl_->IsTabShown(i);
    return true;
}

bool TVmTabScroller::DownLeftEnabled() const
{
    if (!tabControl_)
        return false;
    // Right-hand upright tabs run top to bottom, so their arrows swap roles.
    const bool swapped = (tabControl_->TabSequence() == tsReverse) != (tabControl_->TabOrientation() == toRight);
    return swapped ? !EndShown() : !AtStart();
}

bool TVmTabScroller::UpRightEnabled() const
{
    if (!tabControl_)
        return false;
    const bool swapped = (tabControl_->TabSequence() == tsReverse) != (tabControl_->TabOrientation() == toRight);
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
    auto frame = [&](const TRect& r) {
        canvas.Brush().SetStyle(bsClear);
        canvas.Pen().SetColor(frameColor_);
        canvas.Pen().SetStyle(psSolid);
        canvas.Rectangle(r);
        canvas.Brush().SetStyle(bsSolid);
    };
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
    PaintScrollArrow(canvas, r, direction, DownLeftEnabled(), showPressed_ && pressedHalf_ == DownLeft);
    frame(r);

    r = ClientRect();
    if (orientation_ == orHorizontal) {
        r.Left = r.Right - w / 2 - 1;
        direction = 3;
    } else {
        r.Bottom = r.Top + h / 2 + 1;
        direction = 0;
    }
    PaintScrollArrow(canvas, r, direction, UpRightEnabled(), showPressed_ && pressedHalf_ == UpRight);
    frame(r);
}

bool TVmTabScroller::OverPressedHalf(int x, int y) const
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

void TVmTabScroller::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    if (orientation_ == orHorizontal)
        pressedHalf_ = x < Width() / 2 ? DownLeft : UpRight;
    else
        pressedHalf_ = y <= Height() / 2 ? UpRight : DownLeft;
    pressTracking_ = true;
    showPressed_ = true;
    Invalidate();
    SetMouseCapture(true);
}

void TVmTabScroller::MouseMove(TShiftState shift, int x, int y)
{
    TCustomControl::MouseMove(shift, x, y);
    if (!pressTracking_)
        return;
    const bool over = OverPressedHalf(x, y);
    if (over != showPressed_) {
        showPressed_ = over;
        Invalidate();
    }
}

void TVmTabScroller::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    SetMouseCapture(false);
    pressTracking_ = false;
    if (!showPressed_)
        return;
    showPressed_ = false;
    if (pressedHalf_ == DownLeft)
        FireDownLeftClick();
    else
        FireUpRightClick();
    Invalidate();
}

// ---------------------------------------------------------------------------
// The close button

TVmTabCloseButton::TVmTabCloseButton(TVmCustomTabControl* tabControl)
    : TCustomControl(tabControl, tabControl), tabControl_(tabControl)
{
    SetControlStyle(ControlStyle() & ~csClickEvents);
    SetTabStop(false);
}

void TVmTabCloseButton::SetFrameColor(TColor value)
{
    if (value == frameColor_)
        return;
    frameColor_ = value;
    Invalidate();
}

bool TVmTabCloseButton::Inactive() const
{
    return !tabControl_ || tabControl_->TabIndex() == -1;
}

void TVmTabCloseButton::FireClose()
{
    if (OnClose)
        OnClose(this);
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
    const int offset = showPressed_ ? 1 : 0;
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
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetColor(frameColor_);
    canvas.Rectangle(r);
    canvas.Brush().SetStyle(bsSolid);
}

void TVmTabCloseButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    pressTracking_ = true;
    showPressed_ = true;
    Invalidate();
    SetMouseCapture(true);
}

void TVmTabCloseButton::MouseMove(TShiftState shift, int x, int y)
{
    TCustomControl::MouseMove(shift, x, y);
    if (!pressTracking_)
        return;
    const bool over = ClientRect().Contains({x, y});
    if (over != showPressed_) {
        showPressed_ = over;
        Invalidate();
    }
}

void TVmTabCloseButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    SetMouseCapture(false);
    pressTracking_ = false;
    if (!showPressed_)
        return;
    showPressed_ = false;
    FireClose();
    Invalidate();
}
