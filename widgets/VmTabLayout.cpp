#include "VmTabLayout.h"

#include <algorithm>
#include <cstdlib>

int TabOverlap(TVmTabStyle style, int d)
{
    switch (style) {
    case tsSingleSlant: return d / 2;
    case tsDoubleSlant: return d;
    default: return -1;
    }
}

TVmTabSize TabContentExtent(TVmImagePosition position, int imageMargin, TVmTabSize image, TVmTabSize text)
{
    switch (position) {
    case ipLeft:
    case ipRight: return {imageMargin + image.W + text.W, std::max(image.H, text.H)};
    case ipTop:
    case ipBottom: return {std::max(image.W, text.W), imageMargin + image.H + text.H};
    case ipBack: return {std::max(image.W, text.W), std::max(image.H, text.H)};
    case ipStretch: break;
    }
    return text;
}

TVmTabSize TVmTabLayout::RaiseToMinimum(TVmTabSize c) const
{
    if (P.TabWidth == 0)
        c.W = std::max(c.W, P.MinContent.W);
    if (P.TabHeight == 0)
        c.H = std::max(c.H, P.MinContent.H);
    return c;
}

TVmTabSize TVmTabLayout::TabExtent(TVmTabSize content) const
{
    const int w0 = content.W + 2;
    const int h0 = content.H + 2;
    const bool across = Across();
    const bool horizontalText = P.TextOrientation == orHorizontal;
    const int cc = P.CutCornerSize;
    TVmTabSize e;
    switch (P.Style) {
    case tsSingleSlant:
        if (across)
            e = {w0 + 4 + 2 * Overlap(h0 + 4) + P.TabHeight / 2, h0 + 4};
        else
            e = {w0 + 4, h0 + 4 + 2 * Overlap(w0 + 4) + P.TabHeight / 2};
        break;
    case tsDoubleSlant:
        if (across)
            e = {w0 + 4 + 2 * Overlap(h0) + P.TabHeight, h0 + 4};
        else
            e = {w0 + 4, h0 + 4 + 2 * Overlap(w0) + P.TabHeight};
        break;
    case tsCutCorner:
        if (horizontalText)
            e = across ? TVmTabSize{w0 + 6 + 2 * cc, h0 + 5} : TVmTabSize{w0 + 5 + cc, h0 + 8};
        else
            e = across ? TVmTabSize{w0 + 8, h0 + 5 + cc} : TVmTabSize{w0 + 5, h0 + 6 + 2 * cc};
        break;
    case tsRoundCorners:
        e = horizontalText ? TVmTabSize{w0 + 14, h0 + 4} : TVmTabSize{w0 + 4, h0 + 14};
        break;
    }
    if (P.TabWidth > 0)
        e.W = P.TabWidth;
    if (P.TabHeight > 0)
        e.H = P.TabHeight;
    return e;
}

int TVmTabLayout::PlacementLength(TVmTabSize content, TVmTabSize largest) const
{
    // Every tab of the control shares one depth.
    if (Across())
        content.H = std::max(content.H, largest.H);
    else
        content.W = std::max(content.W, largest.W);
    const TVmTabSize e = TabExtent(RaiseToMinimum(content));
    return Across() ? e.W : e.H;
}

int TVmTabLayout::ClampLength(int length, int avail) const
{
    // Rounded tabs keep two pixels at each end for the selected tab's growth.
    const int limit = avail - (P.Style == tsRoundCorners ? 4 : 0);
    // A control too small for any tab gives empty tabs, never inverted ones.
    return std::max(0, std::min(length, limit));
}

int TVmTabLayout::CountRows(const std::vector<int>& lengths, int L) const
{
    const int n = int(lengths.size());
    if (!P.MultiLine || n == 0)
        return 1;
    const int m = P.Margin;
    const int step = -Overlap(S.FixedDimension) + 1;
    int rows = 1, used = 1, avail = L - 2 * m, pos = m, i = 0;
    // Each pass either ends or adds a row, and a tab can cost at most two
    // rows, so the walk ends; the bound only guards against arithmetic surprises.
    long guard = 0;
    const long guardLimit = 8L * (n + 2) * (n + 2) + 64;
    while (i < n && ++guard < guardLimit) {
        const int len = ClampLength(lengths[i], avail);
        if (pos + len < avail) {
            pos += len + step;
            ++i;
        } else if (used < rows) {
            ++used;
            if (pos == m)
                ++i;
            pos = m;
        } else if (pos > m || (pos == m && i != n - 1)) {
            ++rows;
            avail -= P.RowIndent;
            i = 0;
            used = 1;
            pos = m;
        } else {
            ++i;
            pos = m;
        }
    }
    return used;
}

void TVmTabLayout::Place(std::vector<TVmTabLayoutItem>& tabs, const std::vector<int>& visible,
                         const std::vector<int>& lengths, int L)
{
    const int n = int(visible.size());
    const int fd = S.FixedDimension;
    const int m = P.Margin;
    int avail;
    if (P.MultiLine) {
        avail = L - 2 * m - (S.RowCount - 1) * P.RowIndent;
    } else {
        const int b = ButtonSize();
        avail = L - 2 * m - (P.ShowCloseButton ? b + 2 : 0) - (2 * b + 2);
    }
    int y = Depth() - fd;
    int row = 0;
    int j = 0;
    if (P.Sequence == tsStandard) {
        int pos = m;
        while (j < n) {
            const int len = ClampLength(lengths[j], avail);
            TVmTabLayoutItem& t = tabs[visible[j]];
            if (P.MultiLine && pos + len >= avail) {
                if (pos == m) {
                    t.RawRect = {pos, y, pos + len, y + fd};
                    t.Row = row;
                    ++j;
                }
                y -= fd - P.RowOverlap;
                ++row;
                pos = m;
            } else {
                t.RawRect = {pos, y, pos + len, y + fd};
                t.Row = row;
                pos += len - Overlap(fd) + 1;
                ++j;
            }
        }
    } else {
        int pos = -m;
        while (j < n) {
            const int len = ClampLength(lengths[j], avail);
            TVmTabLayoutItem& t = tabs[visible[j]];
            if (P.MultiLine && !(pos - len > -avail)) {
                if (pos == -m) {
                    t.RawRect = {pos - len, y, pos, y + fd};
                    t.Row = row;
                    ++j;
                }
                y -= fd - P.RowOverlap;
                ++row;
                pos = -m;
            } else {
                t.RawRect = {pos - len, y, pos, y + fd};
                t.Row = row;
                pos = pos - len + Overlap(fd) - 1;
                ++j;
            }
        }
        const int shift = P.MultiLine ? P.Width : std::abs(pos);
        for (int k : visible) {
            tabs[k].RawRect.Left += shift;
            tabs[k].RawRect.Right += shift;
        }
    }
}

void TVmTabLayout::Stretch(std::vector<TVmTabLayoutItem>& tabs, const std::vector<int>& visible, int L)
{
    if (!P.MultiLine || !P.AlignTabs)
        return;
    if ((Across() && P.TabWidth != 0) || (!Across() && P.TabHeight != 0))
        return;
    const int n = int(visible.size());
    const int rowLength = L - 2 * P.Margin - (S.RowCount - 1) * P.RowIndent - (P.Style == tsRoundCorners ? 4 : 0);
    for (int first = 0; first < n;) {
        int last = first;
        while (last + 1 < n && tabs[visible[last + 1]].Row == tabs[visible[first]].Row)
            ++last;
        const TRect& f = tabs[visible[first]].RawRect;
        const TRect& l = tabs[visible[last]].RawRect;
        const int span = P.Sequence == tsStandard ? l.Right - f.Left : f.Right - l.Left;
        const int spare = rowLength - span;
        const int count = last - first + 1;
        if (spare > 0) {
            const int q = spare / count;
            int r = spare % count;
            int acc = 0;
            for (int k = first; k <= last; ++k) {
                int extra = q;
                if (r > 0) {
                    ++extra;
                    --r;
                }
                TRect& t = tabs[visible[k]].RawRect;
                if (P.Sequence == tsStandard) {
                    t.Left += acc;
                    t.Right += acc + extra;
                } else {
                    t.Right -= acc;
                    t.Left -= acc + extra;
                }
                acc += extra;
            }
        }
        first = last + 1;
    }
}

void TVmTabLayout::Run(std::vector<TVmTabLayoutItem>& tabs)
{
    std::vector<int> visible;
    visible.reserve(tabs.size());
    TVmTabSize largestContent;
    for (int i = 0; i < int(tabs.size()); ++i) {
        if (!tabs[i].Visible)
            continue;
        visible.push_back(i);
        largestContent.W = std::max(largestContent.W, tabs[i].Content.W);
        largestContent.H = std::max(largestContent.H, tabs[i].Content.H);
    }
    TVmTabSize largestTab;
    for (int i : visible) {
        const TVmTabSize e = TabExtent(RaiseToMinimum(tabs[i].Content));
        largestTab.W = std::max(largestTab.W, e.W);
        largestTab.H = std::max(largestTab.H, e.H);
    }
    if (P.TabWidth > 0)
        largestTab.W = P.TabWidth;
    if (P.TabHeight > 0)
        largestTab.H = P.TabHeight;
    S.FixedDimension = Across() ? largestTab.H : largestTab.W;

    std::vector<int> lengths;
    lengths.reserve(visible.size());
    for (int i : visible)
        lengths.push_back(PlacementLength(tabs[i].Content, largestContent));

    const int L = TabAreaLength();
    S.RowCount = CountRows(lengths, L);
    Place(tabs, visible, lengths, L);
    Stretch(tabs, visible, L);

    S.ScrollNeeded = false;
    if (!P.MultiLine && !visible.empty()) {
        const int room = L - 2 * P.Margin - CloseSize();
        const TRect& edge = P.Sequence == tsStandard ? tabs[visible.back()].RawRect : tabs[visible.front()].RawRect;
        S.ScrollNeeded = edge.Right > room;
    }
}

int TVmTabLayout::Depth() const
{
    const bool round = P.Style == tsRoundCorners;
    if (!P.ShowCard) {
        const int d = Across() ? P.Height - 1 : P.Width - 1;
        return d - (round && (P.Orientation == toBottom || P.Orientation == toRight) ? 1 : 0);
    }
    const int fd = S.FixedDimension;
    return (round ? 3 : 0) + fd + (fd - P.RowOverlap) * (S.RowCount - 1);
}

TRect TVmTabLayout::TabAreaRect() const
{
    const int w = P.Width, h = P.Height, d = Depth();
    switch (P.Orientation) {
    case toTop: return {0, 0, w - 1 - (P.ShowShadow ? 2 : 0), d};
    case toBottom: return {0, h - 1 - d, w - 1, h - 1};
    case toLeft: return {0, 0, d, h - 1};
    case toRight: return {w - 1 - d, 0, w - 1, h - 1};
    }
    return {};
}

int TVmTabLayout::TabAreaLength() const
{
    const TRect a = TabAreaRect();
    return Across() ? a.Right - a.Left : a.Bottom - a.Top;
}

int TVmTabLayout::ButtonSize() const
{
    const bool vertical = P.TextOrientation == orVertical;
    const int text = P.ButtonTextHeight + (vertical ? 2 : 4);
    const int fd = S.FixedDimension - 2;
    const bool grow = Across() ? (!vertical && P.TabHeight > 0) : (vertical && P.TabWidth > 0);
    // Without tabs the row has no depth; the buttons then have no size rather
    // than a negative one.
    return std::max(0, grow ? std::max(text, fd) : std::min(text, fd));
}

int TVmTabLayout::CloseSize() const
{
    return P.ShowCloseButton && S.HasTabs ? ButtonSize() : 0;
}

int TVmTabLayout::ScrollOffsetFrom(const TRect& t) const
{
    const int a = P.Margin + (P.Style == tsRoundCorners ? 2 : 0);
    return P.Sequence == tsStandard ? t.Left - a : t.Right + a;
}

int TVmTabLayout::ScrollOffset(const std::vector<TVmTabLayoutItem>& tabs) const
{
    const int first = S.FirstVisibleTab;
    if (first < 0 || first >= int(tabs.size()))
        return 0;
    return ScrollOffsetFrom(tabs[first].RawRect);
}

TPoint TVmTabLayout::TabToClient(int x, int y, int s) const
{
    const TRect a = TabAreaRect();
    const bool standard = P.Sequence == tsStandard;
    switch (P.Orientation) {
    case toTop: return standard ? TPoint{a.Left + x - s, a.Top + y} : TPoint{a.Right - (s - x), a.Top + y};
    case toBottom: return standard ? TPoint{a.Left + x - s, a.Bottom - y} : TPoint{a.Right - (s - x), a.Bottom - y};
    case toLeft: return standard ? TPoint{a.Left + y, a.Bottom - (x - s)} : TPoint{a.Left + y, a.Top + (s - x)};
    case toRight: return standard ? TPoint{a.Right - y, a.Top + (x - s)} : TPoint{a.Right - y, a.Bottom - (s - x)};
    }
    return {};
}

bool TVmTabLayout::IsTabShown(bool visible, const TRect& t, int s) const
{
    if (!visible)
        return false;
    if (!S.ScrollNeeded)
        return true;
    const int room = TabAreaLength() - 2 * ButtonSize() - 2 * P.Margin - CloseSize();
    if (P.Sequence == tsStandard)
        return s <= t.Left && t.Right - s <= room;
    return t.Right <= s && s - t.Left <= room;
}

bool TVmTabLayout::IsTabShown(const std::vector<TVmTabLayoutItem>& tabs, int index) const
{
    if (index < 0 || index >= int(tabs.size()))
        return false;
    return IsTabShown(tabs[index].Visible, tabs[index].RawRect, ScrollOffset(tabs));
}

TRect TVmTabLayout::MovedRawRect(const TRect& raw, int row, bool selected) const
{
    TRect r = raw;
    if (row > 0) {
        const int dx = (P.Sequence == tsStandard ? 1 : -1) * row * P.RowIndent;
        r.Left += dx;
        r.Right += dx;
    }
    if (P.Style == tsRoundCorners && selected) {
        r.Left -= 2;
        r.Right += 2;
        r.Top -= 2;
    }
    return r;
}

TRect TVmTabLayout::TabClientRect(const TRect& raw, int row, bool selected, int s) const
{
    const TRect r = MovedRawRect(raw, row, selected);
    const TPoint a = TabToClient(r.Left, r.Top, s);
    const TPoint b = TabToClient(r.Right, r.Bottom, s);
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TRect TVmTabLayout::TabClientRect(const std::vector<TVmTabLayoutItem>& tabs, int index) const
{
    if (index < 0 || index >= int(tabs.size()))
        return {};
    return TabClientRect(tabs[index].RawRect, tabs[index].Row, index == S.TabIndex, ScrollOffset(tabs));
}

std::vector<TPoint> TVmTabLayout::TabPolygon(const TRect& raw, int row, bool selected, int s) const
{
    const TRect r = MovedRawRect(raw, row, selected);
    const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom, H = B - T, cc = P.CutCornerSize;
    std::vector<TPoint> pts;
    switch (P.Style) {
    case tsSingleSlant: pts = {{L, B}, {L, T + 2}, {L + 2, T}, {R - H, T}, {R, B}}; break;
    case tsDoubleSlant: pts = {{L, B}, {L + H, T}, {R - H, T}, {R, B}}; break;
    case tsCutCorner: pts = {{L, B}, {L, T}, {R - cc, T}, {R, T + cc}, {R, B}}; break;
    case tsRoundCorners: pts = {{L, B}, {L, T + 2}, {L + 2, T}, {R - 2, T}, {R, T + 2}, {R, B}}; break;
    }
    for (TPoint& p : pts)
        p = TabToClient(p.X, p.Y, s);
    return pts;
}

std::vector<TPoint> TVmTabLayout::TabPolygon(const std::vector<TVmTabLayoutItem>& tabs, int index) const
{
    if (index < 0 || index >= int(tabs.size()))
        return {};
    return TabPolygon(tabs[index].RawRect, tabs[index].Row, index == S.TabIndex, ScrollOffset(tabs));
}

TRect TVmTabLayout::CardRect(int n) const
{
    TRect c{0, 0, P.Width - 1, P.Height - 1};
    if (!S.HasTabs)
        return c;
    const int fd = S.FixedDimension;
    const int off = Depth() - (fd - P.RowOverlap) * n;
    const int rowOff = (fd - P.RowOverlap) * n;
    const int i1 = P.RowIndent * n;
    const int i2 = P.RowIndent * (S.RowCount - n - 1);
    const bool standard = P.Sequence == tsStandard;
    switch (P.Orientation) {
    case toTop:
        c.Top += off;
        c.Bottom -= rowOff;
        c.Left += standard ? i1 : i2;
        c.Right -= standard ? i2 : i1;
        break;
    case toBottom:
        c.Top += rowOff;
        c.Bottom -= off;
        c.Left += standard ? i1 : i2;
        c.Right -= standard ? i2 : i1;
        break;
    case toLeft:
        c.Left += off;
        c.Right -= rowOff;
        c.Top += standard ? i2 : i1;
        c.Bottom -= standard ? i1 : i2;
        break;
    case toRight:
        c.Left += rowOff;
        c.Right -= off;
        c.Top += standard ? i1 : i2;
        c.Bottom -= standard ? i2 : i1;
        break;
    }
    if (c.Left > c.Right || c.Top > c.Bottom)
        return {0, 0, 0, 0};
    return c;
}

TRect TVmTabLayout::DisplayRect(bool showCardFrame, bool showFullFrame) const
{
    TRect r = CardRect(0);
    if (showCardFrame && showFullFrame) {
        ++r.Left;
        ++r.Top;
        if (P.Orientation == toTop && P.Sequence == tsStandard && P.ShowShadow) {
            r.Right -= 2;
            r.Bottom -= 2;
        }
    } else if (showCardFrame) {
        if (P.Orientation != toRight)
            ++r.Top;
        ++r.Right;
        ++r.Bottom;
    } else {
        ++r.Right;
        ++r.Bottom;
    }
    return r;
}

TPoint TVmTabLayout::CloseButtonPos() const
{
    const TRect a = TabAreaRect();
    const int b = ButtonSize(), m = P.Margin;
    const bool standard = P.Sequence == tsStandard;
    switch (P.Orientation) {
    case toTop:
        if (!standard)
            return {a.Left + m, a.Bottom - b - 2};
        return {P.ShowShadow ? a.Right - b - 1 - m : a.Right - b + 1 - m, a.Bottom - b - 2};
    case toBottom: return {standard ? a.Right - b + 1 - m : a.Left + m, a.Top + 2};
    case toLeft: return {a.Right - b - 2, standard ? a.Top + m : a.Bottom - b + 1 - m};
    case toRight: return {a.Left + 2, standard ? a.Bottom - b + 1 - m : a.Top + m};
    }
    return {};
}

TRect TVmTabLayout::ScrollerBounds() const
{
    const TRect a = TabAreaRect();
    const int b = ButtonSize();
    const int w = Across() ? 2 * b - 1 : b;
    const int h = Across() ? b : 2 * b - 1;
    const int e = P.Margin + (P.ShowCloseButton ? CloseSize() + 2 : 0);
    const bool standard = P.Sequence == tsStandard;
    TPoint p;
    switch (P.Orientation) {
    case toTop:
        if (!standard)
            p = {a.Left + e, a.Bottom - h - 2};
        else
            p = {P.ShowShadow ? a.Right - w - 1 - e : a.Right - w + 1 - e, a.Bottom - h - 2};
        break;
    case toBottom: p = {standard ? a.Right - w + 1 - e : a.Left + e, a.Top + 2}; break;
    case toLeft: p = {a.Right - w - 2, standard ? a.Top + e : a.Bottom - h + 1 - e}; break;
    case toRight: p = {a.Left + 2, standard ? a.Bottom - h + 1 - e : a.Top + e}; break;
    }
    return {p.X, p.Y, p.X + w, p.Y + h};
}

int TVmTabLayout::FirstVisible(const std::vector<TVmTabLayoutItem>& tabs)
{
    for (int i = 0; i < int(tabs.size()); ++i)
        if (tabs[i].Visible)
            return i;
    return -1;
}

int TVmTabLayout::LastVisible(const std::vector<TVmTabLayoutItem>& tabs)
{
    for (int i = int(tabs.size()) - 1; i >= 0; --i)
        if (tabs[i].Visible)
            return i;
    return -1;
}
