#pragma once
// Tab layout arithmetic without a window: from measured content extents and
// the control's settings to tab rectangles, rows and the geometry that maps
// them onto the client area. The tab control feeds it and keeps the results;
// tests and benchmarks call it directly.
//
// Layout coordinates: tabs stand on top of the page; x runs along the strip,
// y is the depth, 0 at the outer edge and growing towards the page.
#include "Graphics.h"

#include <vector>

enum TVmTabStyle { tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners };
enum TVmTabOrientation { toTop, toLeft, toBottom, toRight };
enum TVmTabSequence { tsStandard, tsReverse };
enum TOrientation : unsigned char { orHorizontal, orVertical };
enum TVmImagePosition { ipLeft, ipTop, ipRight, ipBottom, ipBack, ipStretch };

// Tabs of toTop and toBottom lie across the control; those of toLeft and
// toRight stand upright.
inline bool IsAcrossOrientation(TVmTabOrientation o) { return o == toTop || o == toBottom; }

// How far consecutive tabs of a row overlap for a depth d: slanted tabs share
// their slants, cut-corner and rounded tabs keep a one-pixel gap (-1).
int TabOverlap(TVmTabStyle style, int d);

struct TVmTabSize {
    int W = 0;
    int H = 0;
    bool operator==(const TVmTabSize&) const = default;
};

// Content extent of one tab from its image and text sizes. The image margin
// is added even for a tab without an image.
TVmTabSize TabContentExtent(TVmImagePosition position, int imageMargin, TVmTabSize image, TVmTabSize text);

// The settings of a tab control that the layout depends on.
struct TVmTabLayoutParams {
    TVmTabStyle Style = tsSingleSlant;
    TVmTabOrientation Orientation = toTop;
    TVmTabSequence Sequence = tsStandard;
    TOrientation TextOrientation = orHorizontal;
    bool MultiLine = false;
    bool AlignTabs = false;
    bool ShowCloseButton = false;
    bool ShowShadow = true;
    bool ShowCard = true;
    int TabWidth = 0;
    int TabHeight = 0;
    int CutCornerSize = 6;
    int RowOverlap = 5;
    int RowIndent = 5;
    int Margin = 0;
    int Width = 300;   // the control's size
    int Height = 100;
    // The minimum content extent: "A" (or "AAA" for rounded tabs) measured in
    // the caption font, already turned for vertical text.
    TVmTabSize MinContent;
    // Height of "A" in the caption font, for the size of the little buttons.
    int ButtonTextHeight = 0;
};

// One tab as the layout sees it.
struct TVmTabLayoutItem {
    bool Visible = true;
    TVmTabSize Content;  // content extent, not yet raised to the minimum
    TRect RawRect;       // written by the layout
    int Row = 0;         // written by the layout
};

// The state that geometry reads, written by the layout pass.
struct TVmTabLayoutState {
    int FixedDimension = 0;
    int RowCount = 1;
    bool ScrollNeeded = false;
    int FirstVisibleTab = 0;
    int TabIndex = -1;
    bool HasTabs = false;  // the tab list is not empty (visible or not)
};

// The layout pass proper, steps 2 to 9 of the control's UpdateLayout: tab
// extents, row depth, row count, placement, stretching and the scroll need.
// FirstVisibleTab and TabIndex are left to the caller.
class TVmTabLayout {
public:
    TVmTabLayoutParams P;
    TVmTabLayoutState S;

    // Extent of a tab from its content, per style and orientation, then the
    // fixed TabWidth/TabHeight applied.
    TVmTabSize TabExtent(TVmTabSize content) const;
    // Content raised to the minimum where the size is automatic.
    TVmTabSize RaiseToMinimum(TVmTabSize content) const;

    void Run(std::vector<TVmTabLayoutItem>& tabs);

    // ---- geometry (valid after Run, with S filled in) ----
    int Overlap(int d) const { return TabOverlap(P.Style, d); }
    bool Across() const { return IsAcrossOrientation(P.Orientation); }
    int Depth() const;                 // D, the tab area's depth
    TRect TabAreaRect() const;
    int TabAreaLength() const;         // L
    int ButtonSize() const;
    int CloseSize() const;             // the close button's room in the strip, 0 without
    TPoint TabToClient(int x, int y, int scrollOffset) const;
    // ScrollOffset from the rectangle of the tab at FirstVisibleTab.
    int ScrollOffsetFrom(const TRect& firstVisibleRaw) const;
    bool IsTabShown(bool visible, const TRect& raw, int scrollOffset) const;
    // The tab's rectangle in layout coordinates moved along its row by the
    // row indent and, for rounded tabs, enlarged when selected.
    TRect MovedRawRect(const TRect& raw, int row, bool selected) const;
    TRect TabClientRect(const TRect& raw, int row, bool selected, int scrollOffset) const;
    std::vector<TPoint> TabPolygon(const TRect& raw, int row, bool selected, int scrollOffset) const;

    // The same over a whole tab vector (S.FirstVisibleTab and S.TabIndex apply).
    int ScrollOffset(const std::vector<TVmTabLayoutItem>& tabs) const;
    bool IsTabShown(const std::vector<TVmTabLayoutItem>& tabs, int index) const;
    TRect TabClientRect(const std::vector<TVmTabLayoutItem>& tabs, int index) const;
    std::vector<TPoint> TabPolygon(const std::vector<TVmTabLayoutItem>& tabs, int index) const;
    TRect CardRect(int row) const;
    TRect DisplayRect(bool showCardFrame, bool showFullFrame) const;
    TPoint CloseButtonPos() const;
    TRect ScrollerBounds() const;  // where the scroller goes while scrolling is needed

    // Index of the first / last visible tab, -1 when none.
    static int FirstVisible(const std::vector<TVmTabLayoutItem>& tabs);
    static int LastVisible(const std::vector<TVmTabLayoutItem>& tabs);

private:
    int PlacementLength(TVmTabSize content, TVmTabSize largestContent) const;
    int ClampLength(int length, int avail) const;
    int CountRows(const std::vector<int>& lengths, int L) const;
    void Place(std::vector<TVmTabLayoutItem>& tabs, const std::vector<int>& visible,
               const std::vector<int>& lengths, int L);
    void Stretch(std::vector<TVmTabLayoutItem>& tabs, const std::vector<int>& visible, int L);
};
