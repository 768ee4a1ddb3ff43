#pragma once
// The custom-drawn tab strip from which the page control derives: the tab
// list and its records, the published properties, the layout pass, the
// geometry that maps layout coordinates onto the client area, hit testing,
// mouse and keyboard input, hot tracking and the change/close events.
//
// Layout is computed lazily: setters only mark it pending (RequestLayout) and
// the next paint runs UpdateLayout once, the way QTabBar keeps layoutDirty.
// The painting itself (PaintTabs and the drag marker) lives in VmTabPaint.cpp.
#include "Controls.h"
#include "Graphics.h"
#include "VmButton.h"   // TVmHotTrackColorType, shared with the push buttons
#include "VmTabLayout.h"

#include <functional>
#include <memory>
#include <vector>

class TVmTabRegionCache;
class TVmTabScroller;
class TVmTabCloseButton;
class TVmCustomTabControl;

enum TVmHorizontalAlignment { haLeft, haCenter, haRight };
enum TVmVerticalAlignment { vaTop, vaCenter, vaBottom };
enum TVmTextStyle { tsHotTrack, tsSelected, tsUnselected, tsDisabledHighlight, tsDisabledShadow };
enum TVmHotTrackStyle { htsTab, htsText };

// ---------------------------------------------------------------------------
// Something that can fill a tab record (the page control's sheets).
class TVmTabData;
class TVmTabDataSource {
public:
    virtual ~TVmTabDataSource() = default;
    virtual void AssignTo(TVmTabData& dest) const = 0;
};

// One tab. RawRect and Row belong to the layout pass.
class TVmTabData {
public:
    QString Caption;            // CR LF separates lines; the first '&' marks the accelerator
    TColor Color = clBtnFace;   // used with UseColoredTabs
    int DisabledIndex = -1;     // image for the disabled tab
    bool Enabled = true;
    QString Hint;
    int ImageIndex = -1;
    TRect RawRect;              // layout coordinates
    bool Visible = true;
    int Row = 0;                // 0 is the row next to the page

    // Copies everything but RawRect and Row.
    void Assign(const TVmTabData& source);
    void Assign(const TVmTabDataSource& source) { source.AssignTo(*this); }
};

// The ordered list of tab records; it owns them.
class TVmTabDataList {
public:
    int Count() const { return int(items_.size()); }
    TVmTabData* Items(int index) const { return items_.at(size_t(index)).get(); }
    TVmTabData* operator[](int index) const { return Items(index); }
    // Appends and takes ownership; returns the record.
    TVmTabData* Add(std::unique_ptr<TVmTabData> item);
    TVmTabData* Add();
    void Clear() { items_.clear(); }
    // Replaces item `index`, freeing the old record.
    void Replace(int index, std::unique_ptr<TVmTabData> item);
    // Clears, then appends a copy of each record of `source`.
    void Assign(const TVmTabDataList& source);

private:
    std::vector<std::unique_ptr<TVmTabData>> items_;
};

// Fills of the tabs; a change repaints the owning control.
class TVmTabColors {
public:
    explicit TVmTabColors(TVmCustomTabControl* control) : control_(control) {}
    TColor HighlightBar() const { return highlightBar_; }
    void SetHighlightBar(TColor value);
    TColor Shadow() const { return shadow_; }
    void SetShadow(TColor value);
    TColor Unselected() const { return unselected_; }
    void SetUnselected(TColor value);
    void Assign(const TVmTabColors& source);

private:
    void Changed();
    TVmCustomTabControl* control_;
    TColor highlightBar_ = clHighlight;
    TColor shadow_ = clBtnFace;
    TColor unselected_ = clWindow;
};

// Caption colours; a change repaints the owning control.
class TVmTextColors {
public:
    explicit TVmTextColors(TVmCustomTabControl* control) : control_(control) {}
    TColor DisabledHighlight() const { return disabledHighlight_; }
    void SetDisabledHighlight(TColor value);
    TColor DisabledShadow() const { return disabledShadow_; }
    void SetDisabledShadow(TColor value);
    TColor Selected() const { return selected_; }
    void SetSelected(TColor value);
    TColor Unselected() const { return unselected_; }
    void SetUnselected(TColor value);
    void Assign(const TVmTextColors& source);

private:
    void Changed();
    TVmCustomTabControl* control_;
    TColor disabledHighlight_ = clBtnHighlight;
    TColor disabledShadow_ = clBtnShadow;
    TColor selected_ = clBtnText;
    TColor unselected_ = clBtnText;
};

// ---------------------------------------------------------------------------
// Events.
using TVmTabChangingEvent = std::function<void(TObject* Sender, int NewIndex, bool& AllowChange)>;
using TVmTabCloseEvent = std::function<void(TObject* Sender, bool& AllowClose)>;
using TVmGetTextColorEvent =
    std::function<void(TObject* Sender, int ATabIndex, TVmTextStyle AStyle, TColor& AColor, bool& Handled)>;
using TVmPaintBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas& ACanvas, const TRect& ARect, bool& Handled)>;
using TVmPaintCardBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas& ACanvas, int ARow, const TRect& ARect, bool& Handled)>;
using TVmPaintTabBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas& ACanvas, int ATabIndex, const TRect& ARect, bool& Handled)>;

// ---------------------------------------------------------------------------
class TVmCustomTabControl : public TCustomControl {
    Q_OBJECT
public:
    explicit TVmCustomTabControl(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TVmCustomTabControl() override;

    // ---- properties (getters; setters are virtual below) ----
    int TabIndex() const { return tabIndex_; }
    int TabHeight() const { return tabHeight_; }
    int TabWidth() const { return tabWidth_; }
    TVmTabStyle TabStyle() const { return tabStyle_; }
    int CutCornerSize() const { return cutCornerSize_; }
    TVmTabOrientation TabOrientation() const { return tabOrientation_; }
    TVmTabSequence TabSequence() const { return tabSequence_; }
    TOrientation TextOrientation() const { return textOrientation_; }
    bool MultiLine() const { return multiLine_; }
    int RowOverlap() const { return rowOverlap_; }
    int RowIndent() const { return rowIndent_; }
    int Margin() const { return margin_; }
    bool AlignTabs() const { return alignTabs_; }
    bool ShowCloseButton() const { return showCloseButton_; }
    bool HotTrack() const { return hotTrack_; }
    TColor HotTrackColor() const { return hotTrackColor_; }
    TVmHotTrackColorType HotTrackColorType() const { return hotTrackColorType_; }
    TVmHotTrackStyle HotTrackStyle() const { return hotTrackStyle_; }
    bool TabHints() const { return tabHints_; }
    bool BoldCurrentTab() const { return boldCurrentTab_; }
    bool ShowFocusRect() const { return showFocusRect_; }
    bool ShowShadow() const { return showShadow_; }
    bool ShowCardFrame() const { return showCardFrame_; }
    bool ShowFullFrame() const { return showFullFrame_; }
    TCustomImageList* Images() const { return images_; }
    TVmImagePosition ImagePosition() const { return imagePosition_; }
    int ImageMargin() const { return imageMargin_; }
    TVmHorizontalAlignment ImageAlignment() const { return imageAlignment_; }
    TVmVerticalAlignment ImageAlignmentVertical() const { return imageAlignmentVertical_; }
    TVmHorizontalAlignment TextAlignment() const { return textAlignment_; }
    TVmVerticalAlignment TextAlignmentVertical() const { return textAlignmentVertical_; }
    TColor FlatColor() const { return flatColor_; }
    int FlatColorAdjustment() const { return flatColorAdjustment_; }
    TColor BackgroundColor() const { return backgroundColor_; }
    bool ParentBackgroundColor() const { return parentBackgroundColor_; }
    bool UseColoredTabs() const { return useColoredTabs_; }
    bool UseGradients() const { return useGradients_; }
    bool Transparent() const { return transparent_; }
    bool AllowTabDragging() const { return allowTabDragging_; }
    void SetAllowTabDragging(bool value) { allowTabDragging_ = value; }
    TVmTabColors& TabColors() { return *tabColors_; }
    const TVmTabColors& TabColors() const { return *tabColors_; }
    TVmTextColors& TextColors() { return *textColors_; }
    const TVmTextColors& TextColors() const { return *textColors_; }
    int RegionCacheCapacity() const { return regionCacheCapacity_; }
    // Stored with the form, recomputed by every layout pass.
    int FixedDimension() const { return fixedDimension_; }
    void SetFixedDimension(int value) { fixedDimension_ = value; }

    // ---- events ----
    TVmTabChangingEvent OnChanging;
    TNotifyEvent OnChange;
    TNotifyEvent OnTabClick;
    TVmTabCloseEvent OnClose;
    TVmGetTextColorEvent OnGetTextColor;
    TVmPaintBackgroundEvent OnPaintBackground;
    TVmPaintCardBackgroundEvent OnPaintCardBackground;
    TVmPaintTabBackgroundEvent OnPaintTabBackground;

    // ---- state and geometry, read by painting, the scroller and the pages ----
    TVmTabDataList& Tabs() { return tabs_; }
    const TVmTabDataList& Tabs() const { return tabs_; }
    int FirstVisibleTab() const { return firstVisibleTab_; }
    int HotTabIndex() const { return hotTabIndex_; }
    int RowCount() const { return rowCount_; }
    bool ScrollNeeded() const { return scrollNeeded_; }
    bool LayoutPending() const { return layoutPending_; }
    bool HotOnlyRepaint() const { return hotOnlyRepaint_; }
    bool ShowCard() const { return showCard_; }
    // The control's copy of Font, used to measure and draw captions.
    const TFont& DrawFont() const { return drawFont_; }
    TVmTabScroller* Scroller() const { return scroller_; }
    TVmTabCloseButton* CloseButton() const { return closeButton_; }
    TVmTabRegionCache& RegionCache() const { return *regionCache_; }

    // The layout pass; runs at the next paint while LayoutPending.
    void UpdateLayout();
    // Steps 2 to 7 of the layout pass (measure, place, stretch) only.
    void CalculateLayout();

    // The settings the layout and geometry read, as a plain layout object.
    const TVmTabLayout& Layout() const;
    TRect TabAreaRect() const;
    TPoint TabToClient(int x, int y) const;
    int ScrollOffset() const;
    bool IsTabShown(int index) const;
    // The tab's rectangle in client coordinates.
    TRect TabClientRect(int index) const;
    // The tab's outline in client coordinates (per TabStyle).
    std::vector<TPoint> TabPolygon(int index) const;
    // The tab's region (alternate rule) from the region cache, made and
    // cached when missing; nullptr for a shape of fewer than three points.
    // The cache owns the region.
    const TRegion* TabRegion(int index, const TRect& clientRect);
    TRect CardRect(int row) const;
    TRect DisplayRect() const;
    int ButtonSize() const;
    // The frame colour of the tabs and cards: FlatColor adjusted.
    TColor FrameColor() const;

    // Extent of a caption in DrawFont (bold when asked): lines split at CR LF,
    // accelerator marks removed; vertical text turned.
    TSize CaptionExtent(const QString& caption, bool horizontal, bool bold) const;
    // A caption line as it is measured and shown: the first '&' dropped
    // ("&&" gives one '&'; a '&' at the very end stays).
    static QString StripAccelerator(const QString& line);
    // The accelerator of a caption: the character drawn underlined first,
    // the one after the first '&' of a line when that '&' is single; none
    // for a caption without one.
    static QChar AcceleratorOf(const QString& caption);
    static QStringList CaptionLines(const QString& caption);

    // -1 when no shown tab lies under the client point.
    int TabAtPos(int x, int y);
    // Selection rule: the tab exists, is visible and enabled, and OnChanging
    // did not refuse it.
    bool CanChange(int index);
    // Scrolls a single row by one tab (the scroller's arrows).
    void ScrollTabs(bool forward);
    // The close button's request: OnClose decides; CloseActiveTab acts.
    void CloseRequest();
    bool CanClose();

    unsigned GetDlgCode() const override { return DLGC_WANTARROWS; }
    bool CMDialogChar(QChar ch, TShiftState shift) override;

    void Loaded() override;

    // ---- overridable operations ----
    virtual void Changing(int NewIndex, bool& AllowChange);
    virtual void RaiseGetTextColor(int ATabIndex, TVmTextStyle AStyle, TColor& AColor, bool& Handled);
    // Marks the layout pending and repaints.
    virtual void RequestLayout();
    virtual void TabClick();
    // Clears HotOnlyRepaint and invalidates the whole control.
    virtual void InvalidateTabs();
    virtual void RaisePaintBackground(TCanvas& ACanvas, const TRect& ARect, bool& Handled);
    virtual void RaisePaintCardBackground(TCanvas& ACanvas, int ARow, const TRect& ARect, bool& Handled);
    virtual void RaisePaintTabBackground(TCanvas& ACanvas, int ATabIndex, const TRect& ARect, bool& Handled);
    // Draws the drop marker of tab dragging at `rect` by inverting, so a
    // second call with the same rectangle erases it.
    virtual void DrawTabDragMarker(const TRect& rect);
    virtual void CloseActiveTab() {}
    virtual void MoveActiveTab(int NewIndex) { (void)NewIndex; }

    virtual void SetAlignTabs(bool value);
    virtual void SetBackgroundColor(TColor value);
    virtual void SetBoldCurrentTab(bool value);
    virtual void SetLayoutPending(bool value);
    virtual void SetShowCard(bool value);
    virtual void SetShowCardFrame(bool value);
    virtual void SetShowFullFrame(bool value);
    virtual void SetShowCloseButton(bool value);
    virtual void SetUseColoredTabs(bool value);
    virtual void SetCutCornerSize(int value);
    virtual void SetFlatColor(TColor value);
    virtual void SetFlatColorAdjustment(int value);
    virtual void SetImagePosition(TVmImagePosition value);
    virtual void SetImageAlignment(TVmHorizontalAlignment value);
    virtual void SetImageMargin(int value);
    virtual void SetImageAlignmentVertical(TVmVerticalAlignment value);
    virtual void SetHotTrack(bool value);
    virtual void SetHotTrackColor(TColor value);
    virtual void SetHotTrackColorType(TVmHotTrackColorType value);
    virtual void SetHotTrackStyle(TVmHotTrackStyle value);
    virtual void SetImages(TCustomImageList* value);
    virtual void SetMargin(int value);
    virtual void SetMultiLine(bool value);
    virtual void SetParentBackgroundColor(bool value);
    virtual void SetRowCount(int value);
    virtual void SetRowIndent(int value);
    virtual void SetRowOverlap(int value);
    virtual void SetShowFocusRect(bool value);
    virtual void SetShowShadow(bool value);
    virtual void SetTextOrientation(TOrientation value);
    virtual void SetTabColors(const TVmTabColors& value);
    virtual void SetTabHeight(int value);
    virtual void SetTabHints(bool value);
    virtual void SetTabIndex(int value);
    virtual void SetTabOrientation(TVmTabOrientation value);
    virtual void SetRegionCacheCapacity(int value);
    virtual void SetTabSequence(TVmTabSequence value);
    virtual void SetTabStyle(TVmTabStyle value);
    virtual void SetTabWidth(int value);
    virtual void SetTextColors(const TVmTextColors& value);
    virtual void SetTextAlignment(TVmHorizontalAlignment value);
    virtual void SetTextAlignmentVertical(TVmVerticalAlignment value);
    virtual void SetUseGradients(bool value);
    virtual void SetTransparent(bool value);
    // Raises OnChange.
    virtual void Change();

protected:
    // Layout when pending, the little buttons placed, then PaintTabs.
    void Paint() override;
    // The whole paint pass after layout and placement: background, tabs,
    // cards, into Canvas(). Defined with the tab painting (VmTabPaint.cpp).
    void PaintTabs(TCanvas& canvas);
    // The control paints every pixel itself.
    void EraseBackground(TCanvas& canvas) override;

    void AlignControls(TControl* control, TRect& rect) override;
    void WMSize() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // A docking drag took the press over: a tab drag armed by it is dropped.
    void CancelMode() override;
    void KeyDown(TKey& key, TShiftState shift) override;
    void WMSetFocus() override;
    void WMKillFocus() override;
    void WMTimer(int id) override;
    void CMFontChanged() override;
    void CMColorChanged() override;
    void CMParentColorChanged() override;
    void AdjustClientRect(TRect& rect) override;

    // Places the close button and the scroller where the layout says.
    void PlaceButtons();
    // Ends hot tracking: timer stopped, no hot tab, the strip repainted.
    void EndHotTracking();
    // Moves the selected tab's row next to the page (multi-line rows).
    void RotateRows();
    // Passes the adjusted frame colour on to the scroller and close button.
    void UpdateButtonColors();
    // The hover timer's id among the control's window timers.
    static constexpr int HoverTimerId = 1;

    bool suppressChanging_ = false;
    QString savedHint_;
    TRect lastDisplayRect_;
    bool hasLastDisplayRect_ = false;

private:
    void SyncLayoutSettings() const;
    TVmTabSize ContentExtent(const TVmTabData& tab) const;
    TVmTabSize MinimumContent() const;
    void RepairFirstVisibleTab(int previous);
    void RepairTabIndex();
    void StartHoverTimer();
    void StopHoverTimer();
    void UpdateDrag(int x, int y);
    void EndDrag(bool drop);
    void ShowTabHint(const QString& hint);
    void RestoreHint();
    TRect DragMarkerRect(int target) const;
    TFont MeasureFont(bool bold) const;

    TVmTabDataList tabs_;
    int tabIndex_ = -1;
    int tabHeight_ = 0;
    int tabWidth_ = 0;
    TVmTabStyle tabStyle_ = tsSingleSlant;
    int cutCornerSize_ = 6;
    TVmTabOrientation tabOrientation_ = toTop;
    TVmTabSequence tabSequence_ = tsStandard;
    TOrientation textOrientation_ = orHorizontal;
    bool multiLine_ = false;
    int rowOverlap_ = 5;
    int rowIndent_ = 5;
    int margin_ = 0;
    bool alignTabs_ = false;
    bool showCloseButton_ = false;
    bool hotTrack_ = true;
    TColor hotTrackColor_ = clHighlight;
    TVmHotTrackColorType hotTrackColorType_ = htctComplement;
    TVmHotTrackStyle hotTrackStyle_ = htsTab;
    bool tabHints_ = false;
    bool boldCurrentTab_ = false;
    bool showFocusRect_ = true;
    bool showShadow_ = true;
    bool showCardFrame_ = true;
    bool showFullFrame_ = true;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageChangeLink_;
    TVmImagePosition imagePosition_ = ipLeft;
    int imageMargin_ = 2;
    TVmHorizontalAlignment imageAlignment_ = haCenter;
    TVmVerticalAlignment imageAlignmentVertical_ = vaCenter;
    TVmHorizontalAlignment textAlignment_ = haCenter;
    TVmVerticalAlignment textAlignmentVertical_ = vaCenter;
    TColor flatColor_ = clBtnShadow;
    int flatColorAdjustment_ = 0;
    TColor backgroundColor_ = clBtnFace;
    bool parentBackgroundColor_ = true;
    bool useColoredTabs_ = false;
    bool useGradients_ = true;
    bool transparent_ = false;
    bool allowTabDragging_ = false;
    std::unique_ptr<TVmTabColors> tabColors_;
    std::unique_ptr<TVmTextColors> textColors_;
    int regionCacheCapacity_ = 1;
    int fixedDimension_ = 0;

    int firstVisibleTab_ = 0;
    int hotTabIndex_ = -1;
    int rowCount_ = 1;
    bool scrollNeeded_ = false;
    bool layoutPending_ = true;
    bool hotOnlyRepaint_ = false;
    bool showCard_ = true;
    TFont drawFont_;
    TVmTabScroller* scroller_ = nullptr;
    TVmTabCloseButton* closeButton_ = nullptr;
    std::unique_ptr<TVmTabRegionCache> regionCache_;
    mutable TVmTabLayout layout_;
    // Tab dragging: the pressed point, whether a drag runs, the marked tab.
    bool dragArmed_ = false;
    bool dragging_ = false;
    TPoint dragStart_;
    int dragTarget_ = -1;
    TRect dragMarker_;
    bool dragMarkerShown_ = false;
    // The control's Hint is a tab's (or blanked over a gap) and savedHint_
    // holds the control's own.
    bool tabHintShown_ = false;
    // Measured with DrawFont at the last layout pass.
    bool measured_ = false;
};
