#pragma once
// The window-free half of tab painting: outline command lists and the tab
// outlines, card frames and card shadows written into them; the content,
// image, bar and focus rectangles of a tab; accelerator parts of a caption
// line and the placement of caption lines; the drag marker's bitmap. The
// paint pass that puts them together is TVmCustomTabControl::PaintTabs,
// defined in VmTabPaint.cpp.
#include "Canvas.h"
#include "Graphics.h"
#include "VmTabLayout.h"
#include "VmTabs.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// A shape's outline as a flat list of integers: a code, then its operands.
//   0          pen colour := current frame colour
//   1          nothing
//   2 k i      current frame colour := the control's frame colour (k: 0 for a
//              tab, 1 for a card; i: tab index or row)
//   3 x y      move to (x, y)
//   4 x y      line to (x, y), end pixel excluded
//   5 x y      shadow line to (x, y), weight 30
//   6 x y      shadow line to (x, y), weight 15
// Shapes are written first and executed after, so one description of each
// frame serves every orientation and only the executor touches pixels.
class TVmOutlineCommands {
public:
    enum Code : std::int32_t { cPen = 0, cNothing = 1, cFrameColor = 2, cMove = 3, cLine = 4, cShadow30 = 5, cShadow15 = 6 };

    void Clear() { items_.clear(); }
    void Pen() { items_.push_back(cPen); }
    void Nothing() { items_.push_back(cNothing); }
    void FrameColor(int kind, int index) { Add(cFrameColor, kind, index); }
    void Move(TPoint p) { Add(cMove, p.X, p.Y); }
    void Move(int x, int y) { Add(cMove, x, y); }
    void Line(TPoint p) { Add(cLine, p.X, p.Y); }
    void Line(int x, int y) { Add(cLine, x, y); }
    // A shadow line of weight 30 (code 5) or, for any other weight, 15 (code 6).
    void Shadow(int x, int y, int weight) { Add(weight == 30 ? cShadow30 : cShadow15, x, y); }

    // True when some command is a shadow line. The list is walked command
    // by command, so an operand that happens to be 5 or 6 does not count.
    bool HasShadow() const;

    const std::vector<std::int32_t>& Items() const { return items_; }
    // Entries a command with this code occupies.
    static int Size(std::int32_t code) { return code == cPen || code == cNothing ? 1 : 3; }

private:
    void Add(std::int32_t code, int a, int b)
    {
        items_.push_back(code);
        items_.push_back(a);
        items_.push_back(b);
    }
    std::vector<std::int32_t> items_;
};

// Outline points each tab style has: 5, 4, 5 and 6.
int TabShapePointCount(TVmTabStyle style);

// Command 0 and the outline of one tab from its polygon in client
// coordinates. The base between the last and the first point stays open.
// Throws "Incorrect number of points in tab shape" when the count does not
// fit the style.
void AddTabOutline(TVmOutlineCommands& list, TVmTabStyle style, TVmTabOrientation orientation,
                   const std::vector<TPoint>& points);

// What the frame of one card depends on.
struct TVmCardFrame {
    TRect card;                 // CardRect of the row (the fill's extra pixel not included)
    TVmTabStyle style = tsSingleSlant;
    TVmTabOrientation orientation = toTop;
    TVmTabSequence sequence = tsStandard;
    bool showShadow = true;
    bool showFullFrame = true;
    bool withShadow = true;     // false while only hot tracking repaints
    bool gap = false;           // leave the frame open under the selected tab
    TPoint foot1;               // the selected tab's first point, one pixel along the row
    TPoint foot2;               // the selected tab's last point
};

// The card's frame, beginning with command 0: closed, or open between the
// selected tab's feet; with the soft shadow where the frame has one.
void AddCardFrame(TVmOutlineCommands& list, const TVmCardFrame& frame);

// The two shadow lines along the right and bottom of a card.
void AddCardShadow(TVmOutlineCommands& list, const TRect& card);

// Shadow pixels from `from` to `to` (vertical when both share x, else
// horizontal along to.Y), both ends included, each the parent's pixel at the
// same place mixed with black by `weight`. Reading the parent's image rather
// than the canvas keeps a pixel covered twice from being darkened twice.
void PaintShadowLine(TCanvas& canvas, const QImage& parent, TPoint from, TPoint to, int weight);

// Runs an outline list on the canvas. `frameColor` is the colour commands 0
// and 2 work with; `parent` is the parent's image behind the control, read
// only by shadow commands. The pen ends where the last command left it.
void ExecuteOutline(TCanvas& canvas, const TVmOutlineCommands& list, TColor frameColor, const QImage& parent);

// The pixels the list's shadow lines cover: all of the parent's image a
// shadow ever reads.
TRegion ShadowArea(const TVmOutlineCommands& list);

// ---- tab content -------------------------------------------------------

// The tab rectangle less the insets that keep content clear of the outline.
TRect TabContentRect(const TRect& tab, TVmTabStyle style, TVmTabOrientation orientation,
                     TOrientation textOrientation, int cutCornerSize);

// Splits the content rectangle into the image's and the caption's. `image`
// is 0 x 0 and `margin` 0 for a tab without image.
void SplitContentRect(const TRect& content, TVmImagePosition position, TVmTabSize image, int margin,
                      TRect& imageRect, TRect& captionRect);

// Top-left corner of an image of the given size inside its rectangle.
TPoint ImageOrigin(const TRect& imageRect, TVmImagePosition position, TVmTabSize image,
                   TVmHorizontalAlignment across, TVmVerticalAlignment down);

// Pixels the selection or hot bar fills: a band on the tab's outer side
// without the last column and row (a pen-less rectangle leaves them). The
// tab's clip region and its outline trim it to 3 pixels.
TRect TabBarRect(const TRect& tab, TVmTabOrientation orientation);

// The hot bar's colour: the colour itself, or the hue turned by 120 at full
// saturation and luminance 140.
TColor HotBarColor(TColor hotTrackColor, TVmHotTrackColorType type);

// The focus rectangle around the aligned caption rectangle.
TRect TabFocusRect(const TRect& alignedCaption, TVmTabStyle style, TVmTabOrientation orientation);

// ---- captions ----------------------------------------------------------

// A line cut at its first "&": text before, the underlined character, text
// after. For "&&" the first part keeps one "&" and the middle is empty; a
// lone "&" at the end of the line is dropped.
struct TVmAcceleratorParts {
    QString before;
    QString accelerator;
    QString after;
    bool cut = false;   // the line held an "&"
};
TVmAcceleratorParts SplitAccelerator(const QString& line);

// Where the caption block and each of its lines go in the caption
// rectangle. Extents are as measured: for vertical text a width is a
// thickness (the sum of line heights) and a height a length.
struct TVmCaptionPlacement {
    TRect block;                  // the caption rectangle after block alignment
    std::vector<TPoint> origins;  // reference point of each line
};
TVmCaptionPlacement PlaceCaption(const TRect& captionRect, TVmTabSize blockExtent,
                                 const std::vector<TVmTabSize>& lineExtents, bool vertical,
                                 TVmTabOrientation orientation, TVmHorizontalAlignment across,
                                 TVmVerticalAlignment down);

// ---- drag marker -------------------------------------------------------

// The marker bitmap: clBtnShadow with two black triangles pointing at the
// drop position, to be combined with the screen by exclusive-or.
QImage DragMarkerImage(int width, int height, TVmTabOrientation orientation);
