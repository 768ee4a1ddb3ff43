// Temporary stand-in for the tab painting until VmTabPaint.cpp takes over;
// it is removed in the same change that adds the real paint pass. Weak, so
// the real definitions win wherever both are built.
#include "VmTabs.h"

__attribute__((weak)) void TVmCustomTabControl::PaintTabs(TCanvas& canvas)
{
    canvas.Brush().SetColor(BackgroundColor());
    canvas.FillRect(Rect(0, 0, Width(), Height()));
    canvas.Pen().SetColor(FrameColor());
    canvas.Brush().SetColor(Color());
    for (int i = Tabs().Count() - 1; i >= 0; --i)
        if (IsTabShown(i))
            canvas.Polygon(TabPolygon(i));
}

__attribute__((weak)) void TVmCustomTabControl::DrawTabDragMarker(const TRect& rect)
{
    (void)rect;
}
