#include "VmTabs.h"

#include "DockDrag.h"
#include "VmCommon.h"
#include "VmGrafx.h"
#include "VmTabRegionCache.h"
#include "VmTabScroller.h"

#include <QApplication>

#include <algorithm>
#include <cstdlib>

// ---------------------------------------------------------------------------
// Records and lists

void TVmTabData::Assign(const TVmTabData& source)
{
    if (&source == this)
        return;
    Caption = source.Caption;
    DisabledIndex = source.DisabledIndex;
    ImageIndex = source.ImageIndex;
    Color = source.Color;
    Enabled = source.Enabled;
    Visible = source.Visible;
    Hint = source.Hint;
}

TVmTabData* TVmTabDataList::Add(std::unique_ptr<TVmTabData> item)
{
    items_.push_back(std::move(item));
    return items_.back().get();
}

TVmTabData* TVmTabDataList::Add()
{
    return Add(std::make_unique<TVmTabData>());
}

void TVmTabDataList::Replace(int index, std::unique_ptr<TVmTabData> item)
{
    items_.at(size_t(index)) = std::move(item);
}

void TVmTabDataList::Assign(const TVmTabDataList& source)
{
    if (&source == this)
        return;
    Clear();
    for (const auto& item : source.items_)
        Add()->Assign(*item);
}

void TVmTabColors::Changed()
{
    if (control_)
        control_->InvalidateTabs();
}

void TVmTabColors::SetHighlightBar(TColor value)
{
    if (value == highlightBar_)
        return;
    highlightBar_ = value;
    Changed();
}

void TVmTabColors::SetShadow(TColor value)
{
    if (value == shadow_)
        return;
    shadow_ = value;
    Changed();
}

void TVmTabColors::SetUnselected(TColor value)
{
    if (value == unselected_)
        return;
    unselected_ = value;
    Changed();
}

void TVmTabColors::Assign(const TVmTabColors& source)
{
    highlightBar_ = source.highlightBar_;
    shadow_ = source.shadow_;
    unselected_ = source.unselected_;
    Changed();
}

void TVmTextColors::Changed()
{
    if (control_)
        control_->InvalidateTabs();
}

void TVmTextColors::SetDisabledHighlight(TColor value)
{
    if (value == disabledHighlight_)
        return;
    disabledHighlight_ = value;
    Changed();
}

void TVmTextColors::SetDisabledShadow(TColor value)
{
    if (value == disabledShadow_)
        return;
    disabledShadow_ = value;
    Changed();
}

void TVmTextColors::SetSelected(TColor value)
{
    if (value == selected_)
        return;
    selected_ = value;
    Changed();
}

void TVmTextColors::SetUnselected(TColor value)
{
    if (value == unselected_)
        return;
    unselected_ = value;
    Changed();
}

void TVmTextColors::Assign(const TVmTextColors& source)
{
    disabledHighlight_ = source.disabledHighlight_;
    disabledShadow_ = source.disabledShadow_;
    selected_ = source.selected_;
    unselected_ = source.unselected_;
    Changed();
}

// ---------------------------------------------------------------------------
// Construction

TVmCustomTabControl::TVmCustomTabControl(TComponent* owner, QWidget* parent)
    : TCustomControl(owner, parent),
      tabColors_(std::make_unique<TVmTabColors>(this)),
      textColors_(std::make_unique<TVmTextColors>(this)),
      regionCache_(std::make_unique<TVmTabRegionCache>())
{
    imageChangeLink_ = std::make_unique<TChangeLink>();
    SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks);
    SetBounds(Left(), Top(), 300, 100);
    SetTabStop(true);
    SetColor(clBtnFace);
    drawFont_.Assign(Font());
    // Hot tracking follows the pointer without a button held.
    setMouseTracking(true);
    imageChangeLink_->OnChange = [this](TCustomImageList*) { InvalidateTabs(); };
    imageChangeLink_->OnDestroy = [this](TCustomImageList*) {
        images_ = nullptr;
        RequestLayout();
    };
    // The base told the parent's colour before this class existed.
    if (Parent())
        CMParentColorChanged();
}

TVmCustomTabControl::~TVmCustomTabControl()
{
    // The scroller and close button go first, while this control is whole.
    Destroying();
    StopHoverTimer();
    if (images_)
        images_->UnRegisterChanges(imageChangeLink_.get());
}

// ---------------------------------------------------------------------------
// Layout

void TVmCustomTabControl::SyncLayoutSettings() const
{
    TVmTabLayoutParams& p = layout_.P;
    p.Style = tabStyle_;
    p.Orientation = tabOrientation_;
    p.Sequence = tabSequence_;
    p.TextOrientation = textOrientation_;
    p.MultiLine = multiLine_;
    p.AlignTabs = alignTabs_;
    p.ShowCloseButton = showCloseButton_;
    p.ShowShadow = showShadow_;
    p.ShowCard = showCard_;
    p.TabWidth = tabWidth_;
    p.TabHeight = tabHeight_;
    p.CutCornerSize = cutCornerSize_;
    p.RowOverlap = rowOverlap_;
    p.RowIndent = rowIndent_;
    p.Margin = margin_;
    p.Width = Width();
    p.Height = Height();
    TVmTabLayoutState& s = layout_.S;
    s.FixedDimension = fixedDimension_;
    s.RowCount = rowCount_;
    s.ScrollNeeded = scrollNeeded_;
    s.FirstVisibleTab = firstVisibleTab_;
    s.TabIndex = tabIndex_;
    s.HasTabs = tabs_.Count() > 0;
}

const TVmTabLayout& TVmCustomTabControl::Layout() const
{
    SyncLayoutSettings();
    return layout_;
}

QStringList TVmCustomTabControl::CaptionLines(const QString& caption)
{
    QStringList lines = caption.split(QStringLiteral("\r\n"));
    // A trailing line break (and an empty caption) adds no empty line.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

QString TVmCustomTabControl::StripAccelerator(const QString& line)
{
    const qsizetype amp = line.indexOf(QLatin1Char('&'));
    if (amp < 0 || amp == line.size() - 1)
        return line;
    QString result = line;
    result.remove(amp, 1);
    return result;
}

QChar TVmCustomTabControl::AcceleratorOf(const QString& caption)
{
    for (const QString& line : CaptionLines(caption)) {
        const qsizetype amp = line.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < line.size() && line[amp + 1] != QLatin1Char('&'))
            return line[amp + 1];
    }
    return {};
}

namespace {
// The canvas captions are measured on; measuring needs no visible pixels.
TCanvas& MeasuringCanvas()
{
    static QImage image(1, 1, QImage::Format_RGB32);
    static TCanvas canvas(&image);
    return canvas;
}

int CaptionEscapement(TOrientation text, TVmTabOrientation tabs)
{
    if (text != orVertical)
        return 0;
    return tabs == toRight ? 2700 : 900;
}
}

TFont TVmCustomTabControl::MeasureFont(bool bold) const
{
    TFont font(drawFont_);
    font.OnChange = nullptr;
    if (bold)
        font.SetStyle(font.Style() | TFontStyles(fsBold));
    font.SetOrientation(CaptionEscapement(textOrientation_, tabOrientation_));
    return font;
}

TSize TVmCustomTabControl::CaptionExtent(const QString& caption, bool horizontal, bool bold) const
{
    const QStringList lines = CaptionLines(caption);
    if (lines.isEmpty())
        return {0, 0};
    TCanvas& canvas = MeasuringCanvas();
    canvas.SaveDC();
    canvas.SetFont(MeasureFont(bold));
    int along = 0;   // widest line
    int across = 0;  // lines stacked
    for (const QString& line : lines) {
        const QString shown = StripAccelerator(line);
        if (shown.isEmpty())
            continue;
        const TSize e = canvas.TextExtent(shown);
        along = std::max(along, e.cx);
        across += e.cy;
    }
    canvas.RestoreDC(-1);
    // Vertical text turns every line: the lines' heights add up along x.
    return horizontal ? TSize{along, across} : TSize{across, along};
}

TVmTabSize TVmCustomTabControl::ContentExtent(const TVmTabData& tab) const
{
    TVmTabSize image;
    if (images_ && tab.ImageIndex != -1)
        image = {images_->Width(), images_->Height()};
    const TSize text = CaptionExtent(tab.Caption, textOrientation_ == orHorizontal, boldCurrentTab_);
    return TabContentExtent(imagePosition_, imageMargin_, image, {text.cx, text.cy});
}

TVmTabSize TVmCustomTabControl::MinimumContent() const
{
    TCanvas& canvas = MeasuringCanvas();
    canvas.SaveDC();
    const TFont font = MeasureFont(boldCurrentTab_);
    canvas.SetFont(font);
    const int width = canvas.TextExtent(tabStyle_ == tsRoundCorners ? QStringLiteral("AAA") : QStringLiteral("A")).cx;
    int height = std::abs(font.Height());
    if (height == 0)
        height = canvas.GetTextMetrics().tmHeight - canvas.GetTextMetrics().tmInternalLeading;
    canvas.RestoreDC(-1);
    return textOrientation_ == orHorizontal ? TVmTabSize{width, height} : TVmTabSize{height, width};
}

void TVmCustomTabControl::CalculateLayout()
{
    SyncLayoutSettings();
    TVmTabLayoutParams& p = layout_.P;
    p.MinContent = MinimumContent();
    {
        TCanvas& canvas = MeasuringCanvas();
        canvas.SaveDC();
        canvas.SetFont(MeasureFont(false));
        p.ButtonTextHeight = canvas.TextExtent(QStringLiteral("A")).cy;
        canvas.RestoreDC(-1);
    }
    measured_ = true;

    const int n = tabs_.Count();
    std::vector<TVmTabLayoutItem> items(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const TVmTabData& tab = *tabs_[i];
        items[size_t(i)].Visible = tab.Visible;
        if (tab.Visible)
            items[size_t(i)].Content = ContentExtent(tab);
        items[size_t(i)].RawRect = tab.RawRect;
        items[size_t(i)].Row = tab.Row;
    }
    layout_.Run(items);
    for (int i = 0; i < n; ++i) {
        if (!items[size_t(i)].Visible)
            continue;
        tabs_[i]->RawRect = items[size_t(i)].RawRect;
        tabs_[i]->Row = items[size_t(i)].Row;
    }
    fixedDimension_ = layout_.S.FixedDimension;
    rowCount_ = layout_.S.RowCount;
    scrollNeeded_ = layout_.S.ScrollNeeded;
}

void TVmCustomTabControl::UpdateLayout()
{
    layoutPending_ = false;
    const int previousFirst = firstVisibleTab_;
    CalculateLayout();
    regionCache_->Clear();
    RepairFirstVisibleTab(previousFirst);
    RepairTabIndex();
    // The pass lays the rows out in list order; the selected tab's row goes
    // back next to the page, or the front card would have a gap under it.
    RotateRows();
    const TRect display = DisplayRect();
    if (!hasLastDisplayRect_ || display != lastDisplayRect_)
        Realign();
}

void TVmCustomTabControl::RepairFirstVisibleTab(int previous)
{
    const int n = tabs_.Count();
    if (!scrollNeeded_) {
        firstVisibleTab_ = -1;
        for (int i = 0; i < n && firstVisibleTab_ < 0; ++i)
            if (tabs_[i]->Visible)
                firstVisibleTab_ = i;
        return;
    }
    // A first tab counts as shown when it is visible and fits the room.
    auto shownAsFirst = [this](int f) {
        firstVisibleTab_ = f;
        return IsTabShown(f);
    };
    int f = std::max(previous, 0);
    while (f < n && !shownAsFirst(f))
        ++f;
    if (f >= n) {
        f = previous - 1;
        while (f >= 0 && !shownAsFirst(f))
            --f;
        if (f < 0) {
            f = -1;
            for (int i = 0; i < n; ++i)
                if (tabs_[i]->Visible) {
                    f = i;
                    break;
                }
        }
    }
    firstVisibleTab_ = f;
}

void TVmCustomTabControl::RepairTabIndex()
{
    const int n = tabs_.Count();
    bool anyVisible = false;
    for (int i = 0; i < n && !anyVisible; ++i)
        anyVisible = tabs_[i]->Visible;
    int candidate = -1;
    if (anyVisible && tabIndex_ >= 0) {
        candidate = tabIndex_;
        while (candidate < n && !CanChange(candidate))
            ++candidate;
        if (candidate >= n) {
            candidate = tabIndex_ == n ? tabIndex_ - 1 : tabIndex_;
            while (candidate >= 0 && !CanChange(candidate))
                --candidate;
        }
    }
    if (candidate != tabIndex_) {
        suppressChanging_ = true;
        SetTabIndex(candidate);
        suppressChanging_ = false;
    }
}

void TVmCustomTabControl::RotateRows()
{
    if (!multiLine_ || tabIndex_ < 0 || tabIndex_ >= tabs_.Count() || !tabs_[tabIndex_]->Visible)
        return;
    const int n = tabs_.Count();
    int highest = 0;
    for (int i = 0; i < n; ++i)
        if (tabs_[i]->Visible)
            highest = std::max(highest, tabs_[i]->Row);
    if (highest == 0)
        return;
    const size_t rowSlots = static_cast<size_t>(highest + 1);
    std::vector<int> tops(rowSlots, 0), bottoms(rowSlots, 0);
    std::vector<bool> seen(rowSlots, false);
    for (int i = 0; i < n; ++i) {
        const TVmTabData& t = *tabs_[i];
        if (!t.Visible || t.Row < 0 || seen[size_t(t.Row)])
            continue;
        seen[size_t(t.Row)] = true;
        tops[size_t(t.Row)] = t.RawRect.Top;
        bottoms[size_t(t.Row)] = t.RawRect.Bottom;
    }
    const int rows = highest + 1;
    const int k = (highest - tabs_[tabIndex_]->Row + 1) % rows;
    if (k == 0)
        return;
    for (int i = 0; i < n; ++i) {
        TVmTabData& t = *tabs_[i];
        if (!t.Visible || t.Row < 0)
            continue;
        t.Row = (t.Row + k) % rows;
        t.RawRect.Top = tops[size_t(t.Row)];
        t.RawRect.Bottom = bottoms[size_t(t.Row)];
    }
}

// ---------------------------------------------------------------------------
// Geometry

TRect TVmCustomTabControl::TabAreaRect() const
{
    return Layout().TabAreaRect();
}

int TVmCustomTabControl::ScrollOffset() const
{
    if (firstVisibleTab_ < 0 || firstVisibleTab_ >= tabs_.Count())
        return 0;
    return Layout().ScrollOffsetFrom(tabs_[firstVisibleTab_]->RawRect);
}

TPoint TVmCustomTabControl::TabToClient(int x, int y) const
{
    const int s = ScrollOffset();
    return layout_.TabToClient(x, y, s);
}

bool TVmCustomTabControl::IsTabShown(int index) const
{
    if (index < 0 || index >= tabs_.Count())
        return false;
    const int s = ScrollOffset();
    return layout_.IsTabShown(tabs_[index]->Visible, tabs_[index]->RawRect, s);
}

TRect TVmCustomTabControl::TabClientRect(int index) const
{
    if (index < 0 || index >= tabs_.Count())
        return {};
    const int s = ScrollOffset();
    const TVmTabData& t = *tabs_[index];
    return layout_.TabClientRect(t.RawRect, t.Row, index == tabIndex_, s);
}

std::vector<TPoint> TVmCustomTabControl::TabPolygon(int index) const
{
    if (index < 0 || index >= tabs_.Count())
        return {};
    const int s = ScrollOffset();
    const TVmTabData& t = *tabs_[index];
    return layout_.TabPolygon(t.RawRect, t.Row, index == tabIndex_, s);
}

const TRegion* TVmCustomTabControl::TabRegion(int index, const TRect& clientRect)
{
    if (const TRegion* cached = regionCache_->Lookup(clientRect))
        return cached;
    const std::vector<TPoint> points = TabPolygon(index);
    if (points.size() < 3)
        return nullptr;
    return regionCache_->Add(clientRect, std::make_unique<TRegion>(TRegion::FromPolygon(points, ALTERNATE)));
}

TRect TVmCustomTabControl::CardRect(int row) const
{
    return Layout().CardRect(row);
}

TRect TVmCustomTabControl::DisplayRect() const
{
    return Layout().DisplayRect(showCardFrame_, showFullFrame_);
}

int TVmCustomTabControl::ButtonSize() const
{
    return Layout().ButtonSize();
}

TColor TVmCustomTabControl::FrameColor() const
{
    return AdjustLuminance(flatColor_, flatColorAdjustment_);
}

void TVmCustomTabControl::PlaceButtons()
{
    if (Loading())
        return;
    const TVmTabLayout& layout = Layout();
    const int b = layout.ButtonSize();
    if (showCloseButton_ && closeButton_) {
        const TPoint p = layout.CloseButtonPos();
        if (closeButton_->BoundsRect() != Bounds(p.X, p.Y, b, b))
            closeButton_->SetBounds(p.X, p.Y, b, b);
        closeButton_->SetVisible(true);
    }
    if (!scrollNeeded_) {
        // Out of sight, keeping its size.
        if (scroller_ && (scroller_->Left() != -1 - scroller_->Width() || scroller_->Top() != -1 - scroller_->Height()))
            scroller_->SetBounds(-1 - scroller_->Width(), -1 - scroller_->Height(), scroller_->Width(),
                                 scroller_->Height());
        return;
    }
    if (!scroller_) {
        scroller_ = new TVmTabScroller(this);
        scroller_->SetFrameColor(FrameColor());
        // Which arrow moves forward depends on where the row starts.
        auto secondHalfForward = [this] {
            return tabOrientation_ == toRight ? tabSequence_ == tsReverse : tabSequence_ == tsStandard;
        };
        scroller_->OnUpRightClick = [this, secondHalfForward](TObject*) { ScrollTabs(secondHalfForward()); };
        scroller_->OnDownLeftClick = [this, secondHalfForward](TObject*) { ScrollTabs(!secondHalfForward()); };
    }
    scroller_->SetOrientation(layout.Across() ? orHorizontal : orVertical);
    const TRect r = layout.ScrollerBounds();
    if (scroller_->BoundsRect() != r)
        scroller_->SetBoundsRect(r);
    scroller_->SetVisible(true);
}

void TVmCustomTabControl::UpdateButtonColors()
{
    if (scroller_)
        scroller_->SetFrameColor(FrameColor());
    if (closeButton_)
        closeButton_->SetFrameColor(FrameColor());
}

void TVmCustomTabControl::AdjustClientRect(TRect& rect)
{
    rect = DisplayRect();
}

void TVmCustomTabControl::AlignControls(TControl* control, TRect& rect)
{
    PlaceButtons();
    lastDisplayRect_ = DisplayRect();
    hasLastDisplayRect_ = true;
    TCustomControl::AlignControls(control, rect);
}

// ---------------------------------------------------------------------------
// Painting hooks

void TVmCustomTabControl::Paint()
{
    if (layoutPending_)
        UpdateLayout();
    PlaceButtons();
    PaintTabs(Canvas());
}

void TVmCustomTabControl::EraseBackground(TCanvas&)
{
}

void TVmCustomTabControl::RequestLayout()
{
    layoutPending_ = true;
    InvalidateTabs();
}

void TVmCustomTabControl::InvalidateTabs()
{
    hotOnlyRepaint_ = false;
    InvalidateRect(nullptr, false);
}

void TVmCustomTabControl::RaiseGetTextColor(int ATabIndex, TVmTextStyle AStyle, TColor& AColor, bool& Handled)
{
    if (OnGetTextColor)
        OnGetTextColor(this, ATabIndex, AStyle, AColor, Handled);
}

void TVmCustomTabControl::RaisePaintBackground(TCanvas& ACanvas, const TRect& ARect, bool& Handled)
{
    if (OnPaintBackground)
        OnPaintBackground(this, ACanvas, ARect, Handled);
}

void TVmCustomTabControl::RaisePaintCardBackground(TCanvas& ACanvas, int ARow, const TRect& ARect, bool& Handled)
{
    if (OnPaintCardBackground)
        OnPaintCardBackground(this, ACanvas, ARow, ARect, Handled);
}

void TVmCustomTabControl::RaisePaintTabBackground(TCanvas& ACanvas, int ATabIndex, const TRect& ARect, bool& Handled)
{
    if (OnPaintTabBackground)
        OnPaintTabBackground(this, ACanvas, ATabIndex, ARect, Handled);
}

// ---------------------------------------------------------------------------
// Selection and events

void TVmCustomTabControl::Changing(int NewIndex, bool& AllowChange)
{
    if (OnChanging)
        OnChanging(this, NewIndex, AllowChange);
}

void TVmCustomTabControl::Change()
{
    if (OnChange)
        OnChange(this);
}

void TVmCustomTabControl::TabClick()
{
    if (OnTabClick)
        OnTabClick(this);
}

bool TVmCustomTabControl::CanChange(int index)
{
    bool allow = index >= 0 && index < tabs_.Count() && tabs_[index]->Visible
                 && (tabs_[index]->Enabled || Designing());
    if (allow && index != tabIndex_)
        Changing(index, allow);
    return allow;
}

void TVmCustomTabControl::SetTabIndex(int value)
{
    if (Loading()) {
        tabIndex_ = value;
        return;
    }
    if (value < 0 || value >= tabs_.Count()) {
        tabIndex_ = -1;
        InvalidateTabs();
    } else {
        const int old = tabIndex_;
        const int oldFirst = firstVisibleTab_;
        const bool allowed = value == old || suppressChanging_ || CanChange(value);
        if (allowed) {
            tabIndex_ = value;
            if (scrollNeeded_) {
                if (value < firstVisibleTab_) {
                    firstVisibleTab_ = value;
                    InvalidateTabs();
                } else {
                    while (firstVisibleTab_ < value && !IsTabShown(value)) {
                        ++firstVisibleTab_;
                        // Never rest on a hidden tab: its rectangle is stale.
                        while (firstVisibleTab_ < value && !tabs_[firstVisibleTab_]->Visible)
                            ++firstVisibleTab_;
                    }
                }
            } else {
                RotateRows();
            }
            if (firstVisibleTab_ > oldFirst || tabIndex_ != old) {
                InvalidateTabs();
                if (scroller_)
                    scroller_->Invalidate();
                if (tabIndex_ != old)
                    Change();
            }
        }
    }
    if (showCloseButton_ && closeButton_)
        closeButton_->Invalidate();
}

bool TVmCustomTabControl::CanClose()
{
    bool allowClose = false;
    if (OnClose)
        OnClose(this, allowClose);
    return allowClose;
}

void TVmCustomTabControl::CloseRequest()
{
    if (tabIndex_ != -1 && CanClose())
        CloseActiveTab();
}

void TVmCustomTabControl::ScrollTabs(bool forward)
{
    const int n = tabs_.Count();
    const int old = firstVisibleTab_;
    int firstVisible = -1, lastVisible = -1;
    for (int i = 0; i < n; ++i)
        if (tabs_[i]->Visible) {
            if (firstVisible < 0)
                firstVisible = i;
            lastVisible = i;
        }
    if (firstVisible < 0)
        return;
    bool moved = false;
    if (forward) {
        if (firstVisibleTab_ < n - 1 && !IsTabShown(lastVisible)) {
            ++firstVisibleTab_;
            while (firstVisibleTab_ < n && !IsTabShown(firstVisibleTab_))
                ++firstVisibleTab_;
            if (firstVisibleTab_ >= n)
                firstVisibleTab_ = old;
            else
                moved = true;
        }
    } else {
        if (firstVisibleTab_ > 0 && !IsTabShown(firstVisible)) {
            do
                --firstVisibleTab_;
            while (firstVisibleTab_ >= 0 && !IsTabShown(firstVisibleTab_));
            if (firstVisibleTab_ < 0)
                firstVisibleTab_ = old;
            else
                moved = true;
        }
    }
    if (moved) {
        InvalidateTabs();
        // The arrows' enabled look follows the scroll position.
        if (scroller_)
            scroller_->Invalidate();
    }
}

// ---------------------------------------------------------------------------
// Hit testing and input

int TVmCustomTabControl::TabAtPos(int x, int y)
{
    const int n = tabs_.Count();
    if (n == 0 || firstVisibleTab_ < 0 || firstVisibleTab_ >= n)
        return -1;
    SyncLayoutSettings();
    const int s = layout_.ScrollOffsetFrom(tabs_[firstVisibleTab_]->RawRect);
    const TPoint p{x, y};
    auto hit = [&](int i) {
        const TVmTabData& t = *tabs_[i];
        if (!layout_.IsTabShown(t.Visible, t.RawRect, s))
            return false;
        const TRect r = layout_.TabClientRect(t.RawRect, t.Row, i == tabIndex_, s);
        if (!r.Contains(p))
            return false;
        const TRegion* region = TabRegion(i, r);
        return region && region->PtInRegion(x, y);
    };
    // The selected tab is drawn over its neighbours, so it is asked first.
    if (tabIndex_ >= 0 && tabIndex_ < n && hit(tabIndex_))
        return tabIndex_;
    int i = firstVisibleTab_;
    do {
        if (i != tabIndex_ && hit(i))
            return i;
        i = (i + 1) % n;
    } while (i != firstVisibleTab_);
    return -1;
}

void TVmCustomTabControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft)
        return;
    if (!Enabled() && !Designing())
        return;
    const int hit = TabAtPos(x, y);
    if (hit < 0 || !tabs_[hit]->Enabled)
        return;
    if (TabStop() && hit == tabIndex_ && !Designing()) {
        SetFocus();
        if (!Focused())
            return;
    }
    SetTabIndex(hit);
    if (tabIndex_ == hit)
        TabClick();
    if (allowTabDragging_) {
        dragArmed_ = true;
        dragStart_ = {x, y};
    }
}

void TVmCustomTabControl::ShowTabHint(const QString& hint)
{
    if (!tabHintShown_) {
        savedHint_ = Hint();
        tabHintShown_ = true;
    }
    if (Hint() != hint)
        SetHint(hint);
}

void TVmCustomTabControl::RestoreHint()
{
    if (!tabHintShown_)
        return;
    tabHintShown_ = false;
    if (Hint() != savedHint_)
        SetHint(savedHint_);
}

void TVmCustomTabControl::StartHoverTimer()
{
    if (!TimerRunning(HoverTimerId))
        SetTimer(HoverTimerId, 60);
}

void TVmCustomTabControl::StopHoverTimer()
{
    if (TimerRunning(HoverTimerId))
        KillTimer(HoverTimerId);
}

void TVmCustomTabControl::EndHotTracking()
{
    StopHoverTimer();
    const bool wasHot = hotTabIndex_ >= 0;
    hotTabIndex_ = -1;
    if (wasHot) {
        const TRect area = TabAreaRect();
        InvalidateRect(&area, false);
    }
    RestoreHint();
}

void TVmCustomTabControl::MouseMove(TShiftState shift, int x, int y)
{
    if (!Designing() && (hotTrack_ || tabHints_)) {
        const int t = TabAtPos(x, y);
        if (t >= 0) {
            if (t != hotTabIndex_) {
                hotTabIndex_ = t;
                if (hotTrack_) {
                    hotOnlyRepaint_ = true;
                    const TRect area = TabAreaRect();
                    InvalidateRect(&area, false);
                }
                if (tabHints_) {
                    CancelHint();
                    // A tab without a hint of its own shows the control's.
                    if (!tabs_[t]->Hint.isEmpty())
                        ShowTabHint(tabs_[t]->Hint);
                    else
                        RestoreHint();
                }
                StartHoverTimer();
            }
        } else {
            const bool inStrip = TabAreaRect().Contains({x, y});
            if (tabHints_ && (hotTabIndex_ >= 0 || inStrip))
                CancelHint();
            EndHotTracking();
            // The gaps between tabs show no hint at all.
            if (tabHints_ && inStrip)
                ShowTabHint(QString());
        }
    }
    TCustomControl::MouseMove(shift, x, y);
    if (allowTabDragging_ && (shift & ssLeft))
        UpdateDrag(x, y);
}

void TVmCustomTabControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == mbLeft)
        EndDrag(dragging_);
}

void TVmCustomTabControl::CancelMode()
{
    TCustomControl::CancelMode();
    EndDrag(false);
}

void TVmCustomTabControl::WMTimer(int id)
{
    if (id != HoverTimerId) {
        TCustomControl::WMTimer(id);
        return;
    }
    const TPoint p = CursorPos();
    if (TabAtPos(p.X, p.Y) < 0)
        EndHotTracking();
}

TRect TVmCustomTabControl::DragMarkerRect(int target) const
{
    SyncLayoutSettings();
    const TVmTabData& t = *tabs_[target];
    const TRect r = layout_.MovedRawRect(t.RawRect, t.Row, target == tabIndex_);
    // The marker stands where the dragged tab would go: before the target
    // when it comes from further on, after it otherwise.
    const bool before = target < tabIndex_;
    const int x = before == (tabSequence_ == tsStandard) ? r.Left : r.Right;
    const TPoint p = TabToClient(x, r.Top);
    switch (tabOrientation_) {
    case toTop: return {p.X - 8, p.Y, p.X + 8, p.Y + 9};
    case toBottom: return {p.X - 8, p.Y - 9, p.X + 8, p.Y};
    case toLeft: return {p.X, p.Y - 8, p.X + 9, p.Y + 8};
    case toRight: return {p.X - 9, p.Y - 8, p.X, p.Y + 8};
    }
    return {};
}

void TVmCustomTabControl::UpdateDrag(int x, int y)
{
    if (!dragArmed_)
        return;
    if (!dragging_) {
        if (!DragThresholdPassed(dragStart_, {x, y}) || TabAtPos(x, y) < 0)
            return;
        dragging_ = true;
        dragTarget_ = -1;
    }
    int target = TabAtPos(x, y);
    if (target == tabIndex_)
        target = -1;
    if (target == dragTarget_)
        return;
    if (dragMarkerShown_) {
        DrawTabDragMarker(dragMarker_);
        dragMarkerShown_ = false;
    }
    dragTarget_ = target;
    if (target >= 0) {
        dragMarker_ = DragMarkerRect(target);
        DrawTabDragMarker(dragMarker_);
        dragMarkerShown_ = true;
    }
}

void TVmCustomTabControl::EndDrag(bool drop)
{
    if (dragMarkerShown_) {
        DrawTabDragMarker(dragMarker_);
        dragMarkerShown_ = false;
    }
    const int target = dragTarget_;
    dragArmed_ = false;
    dragging_ = false;
    dragTarget_ = -1;
    if (drop && target >= 0)
        MoveActiveTab(target);
}

void TVmCustomTabControl::KeyDown(TKey& key, TShiftState shift)
{
    TCustomControl::KeyDown(key, shift);
    const int n = tabs_.Count();
    if (n == 0)
        return;
    int candidate = tabIndex_;
    switch (key) {
    case Qt::Key_Home:
        candidate = 0;
        while (candidate != tabIndex_ && !CanChange(candidate))
            if (++candidate >= n)
                candidate = tabIndex_;
        break;
    case Qt::Key_End:
        candidate = n - 1;
        while (candidate != tabIndex_ && !CanChange(candidate))
            if (--candidate < 0)
                candidate = tabIndex_;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool rightOrDown = key == Qt::Key_Right || key == Qt::Key_Down;
        const bool forward = rightOrDown == (tabSequence_ == tsStandard);
        // At most one lap: without a selection the search would never come
        // back to its start, so a lap of refusals keeps the selection.
        bool found = false;
        for (int step = 0; step < n && !found; ++step) {
            if (forward)
                candidate = candidate < 0 || candidate >= n - 1 ? 0 : candidate + 1;
            else
                candidate = candidate <= 0 ? n - 1 : candidate - 1;
            found = candidate == tabIndex_ || CanChange(candidate);
        }
        if (!found)
            candidate = tabIndex_;
        break;
    }
    default:
        return;
    }
    if (candidate != tabIndex_) {
        suppressChanging_ = true;
        SetTabIndex(candidate);
        suppressChanging_ = false;
        TabClick();
    }
}

bool TVmCustomTabControl::CMDialogChar(QChar ch, TShiftState shift)
{
    if (CanFocus()) {
        for (int i = 0; i < tabs_.Count(); ++i) {
            const TVmTabData& t = *tabs_[i];
            const QChar hot = AcceleratorOf(t.Caption);
            if (!t.Enabled || !t.Visible || hot.isNull() || hot.toUpper() != ch.toUpper())
                continue;
            SetFocus();
            if (Focused()) {
                SetTabIndex(i);
                if (tabIndex_ == i)
                    TabClick();
            }
            return true;
        }
    }
    return TCustomControl::CMDialogChar(ch, shift);
}

void TVmCustomTabControl::WMSetFocus()
{
    TCustomControl::WMSetFocus();
    InvalidateTabs();
}

void TVmCustomTabControl::WMKillFocus()
{
    TCustomControl::WMKillFocus();
    InvalidateTabs();
}

void TVmCustomTabControl::WMSize()
{
    TCustomControl::WMSize();
    RequestLayout();
}

void TVmCustomTabControl::CMFontChanged()
{
    drawFont_.Assign(Font());
    RequestLayout();
    TCustomControl::CMFontChanged();
}

void TVmCustomTabControl::CMColorChanged()
{
    if (useColoredTabs_) {
        NotifyChildrenParentColorChanged();
        return;
    }
    TCustomControl::CMColorChanged();
    InvalidateTabs();
}

void TVmCustomTabControl::CMParentColorChanged()
{
    TCustomControl::CMParentColorChanged();
    if (!parentBackgroundColor_ || !Parent())
        return;
    TColor parentColor;
    if (const TControl* p = ParentControl())
        parentColor = p->Color();
    else
        parentColor = FromQColor(Parent()->palette().color(QPalette::Window));
    if (parentColor != backgroundColor_) {
        backgroundColor_ = parentColor;
        InvalidateTabs();
    }
}

void TVmCustomTabControl::Loaded()
{
    TCustomControl::Loaded();
    savedHint_ = Hint();
    SetLayoutPending(true);
    const int stored = tabIndex_;
    tabIndex_ = 0;
    if (textOrientation_ == orVertical && !IsTrueTypeFont(Font()))
        Font().SetName(QStringLiteral("Verdana"));
    SetTabIndex(stored);
}

// ---------------------------------------------------------------------------
// Property setters

void TVmCustomTabControl::SetAlignTabs(bool value)
{
    if (value == alignTabs_)
        return;
    alignTabs_ = value;
    if (multiLine_)
        RequestLayout();
}

void TVmCustomTabControl::SetBackgroundColor(TColor value)
{
    if (value == backgroundColor_)
        return;
    backgroundColor_ = value;
    parentBackgroundColor_ = false;
    InvalidateTabs();
}

void TVmCustomTabControl::SetBoldCurrentTab(bool value)
{
    if (value == boldCurrentTab_)
        return;
    boldCurrentTab_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetLayoutPending(bool value)
{
    layoutPending_ = value;
    if (value)
        InvalidateTabs();
}

void TVmCustomTabControl::SetShowCard(bool value)
{
    if (value == showCard_)
        return;
    showCard_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetShowCardFrame(bool value)
{
    if (value == showCardFrame_)
        return;
    showCardFrame_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetShowFullFrame(bool value)
{
    if (value == showFullFrame_)
        return;
    showFullFrame_ = value;
    if (!value)
        showShadow_ = false;
    RequestLayout();
}

void TVmCustomTabControl::SetShowCloseButton(bool value)
{
    if (value == showCloseButton_)
        return;
    showCloseButton_ = value;
    if (value && !closeButton_) {
        closeButton_ = new TVmTabCloseButton(this);
        closeButton_->SetFrameColor(FrameColor());
        closeButton_->OnClose = [this](TObject*) { CloseRequest(); };
    }
    if (closeButton_)
        closeButton_->SetVisible(value);
    RequestLayout();
}

void TVmCustomTabControl::SetUseColoredTabs(bool value)
{
    if (value == useColoredTabs_)
        return;
    useColoredTabs_ = value;
    InvalidateTabs();
}

void TVmCustomTabControl::SetCutCornerSize(int value)
{
    if (value < 0 || value == cutCornerSize_)
        return;
    cutCornerSize_ = value;
    if (tabStyle_ == tsCutCorner)
        RequestLayout();
}

void TVmCustomTabControl::SetFlatColor(TColor value)
{
    if (value == flatColor_)
        return;
    flatColor_ = value;
    UpdateButtonColors();
    InvalidateTabs();
}

void TVmCustomTabControl::SetFlatColorAdjustment(int value)
{
    if (value == flatColorAdjustment_)
        return;
    flatColorAdjustment_ = value;
    UpdateButtonColors();
    InvalidateTabs();
}

void TVmCustomTabControl::SetImagePosition(TVmImagePosition value)
{
    if (value == imagePosition_)
        return;
    imagePosition_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetImageAlignment(TVmHorizontalAlignment value)
{
    if (value == imageAlignment_)
        return;
    imageAlignment_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetImageMargin(int value)
{
    if (value < 0 || value == imageMargin_)
        return;
    imageMargin_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetImageAlignmentVertical(TVmVerticalAlignment value)
{
    if (value == imageAlignmentVertical_)
        return;
    imageAlignmentVertical_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetHotTrack(bool value)
{
    if (value == hotTrack_)
        return;
    hotTrack_ = value;
    if (!hotTrack_ && !tabHints_)
        StopHoverTimer();
}

void TVmCustomTabControl::SetHotTrackColor(TColor value)
{
    if (value == hotTrackColor_)
        return;
    hotTrackColor_ = value;
    InvalidateTabs();
}

void TVmCustomTabControl::SetHotTrackColorType(TVmHotTrackColorType value)
{
    if (value == hotTrackColorType_)
        return;
    hotTrackColorType_ = value;
    InvalidateTabs();
}

void TVmCustomTabControl::SetHotTrackStyle(TVmHotTrackStyle value)
{
    if (value == hotTrackStyle_)
        return;
    hotTrackStyle_ = value;
    InvalidateTabs();
}

void TVmCustomTabControl::SetImages(TCustomImageList* value)
{
    if (value == images_)
        return;
    if (images_)
        images_->UnRegisterChanges(imageChangeLink_.get());
    images_ = value;
    if (images_)
        images_->RegisterChanges(imageChangeLink_.get());
    RequestLayout();
}

void TVmCustomTabControl::SetMargin(int value)
{
    if (value < 0 || value == margin_)
        return;
    margin_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetMultiLine(bool value)
{
    if (value == multiLine_)
        return;
    multiLine_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetParentBackgroundColor(bool value)
{
    if (value == parentBackgroundColor_)
        return;
    parentBackgroundColor_ = value;
    if (value && Parent())
        CMParentColorChanged();
}

void TVmCustomTabControl::SetRowCount(int value)
{
    if (value < 1 || value == rowCount_)
        return;
    rowCount_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetRowIndent(int value)
{
    if (value < 0 || value == rowIndent_)
        return;
    rowIndent_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetRowOverlap(int value)
{
    if (value < 0 || value == rowOverlap_)
        return;
    rowOverlap_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetShowFocusRect(bool value)
{
    if (value == showFocusRect_)
        return;
    showFocusRect_ = value;
    InvalidateTabs();
}

void TVmCustomTabControl::SetShowShadow(bool value)
{
    if (value == showShadow_)
        return;
    showShadow_ = value;
    if (value)
        showFullFrame_ = true;
    RequestLayout();
}

void TVmCustomTabControl::SetTextOrientation(TOrientation value)
{
    if (value == textOrientation_)
        return;
    textOrientation_ = value;
    // Rotated captions need a scalable font.
    if (!Loading() && !IsTrueTypeFont(Font()))
        Font().SetName(QStringLiteral("Verdana"));
    RequestLayout();
}

void TVmCustomTabControl::SetTabColors(const TVmTabColors& value)
{
    tabColors_->Assign(value);
}

void TVmCustomTabControl::SetTabHeight(int value)
{
    if (value < 0 || value == tabHeight_)
        return;
    tabHeight_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetTabHints(bool value)
{
    if (value == tabHints_)
        return;
    tabHints_ = value;
    if (!tabHints_ && !hotTrack_)
        StopHoverTimer();
}

void TVmCustomTabControl::SetTabOrientation(TVmTabOrientation value)
{
    if (value == tabOrientation_)
        return;
    tabOrientation_ = value;
    if (!Loading())
        RequestLayout();
}

void TVmCustomTabControl::SetRegionCacheCapacity(int value)
{
    if ((value != -1 && value <= 0) || value == regionCacheCapacity_)
        return;
    regionCacheCapacity_ = value;
    regionCache_->SetCapacity(value);
}

void TVmCustomTabControl::SetTabSequence(TVmTabSequence value)
{
    if (value == tabSequence_)
        return;
    tabSequence_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetTabStyle(TVmTabStyle value)
{
    if (value == tabStyle_)
        return;
    tabStyle_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetTabWidth(int value)
{
    if (value < 0 || value == tabWidth_)
        return;
    tabWidth_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetTextColors(const TVmTextColors& value)
{
    textColors_->Assign(value);
}

void TVmCustomTabControl::SetTextAlignment(TVmHorizontalAlignment value)
{
    if (value == textAlignment_)
        return;
    textAlignment_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetTextAlignmentVertical(TVmVerticalAlignment value)
{
    if (value == textAlignmentVertical_)
        return;
    textAlignmentVertical_ = value;
    RequestLayout();
}

void TVmCustomTabControl::SetUseGradients(bool value)
{
    if (value == useGradients_)
        return;
    useGradients_ = value;
    InvalidateTabs();
}

void TVmCustomTabControl::SetTransparent(bool value)
{
    if (value == transparent_)
        return;
    transparent_ = value;
    InvalidateTabs();
}
