#pragma once
// Push buttons of the widget set, drawn entirely by the widget set.
//
// TVmCustomButton is the common base: hot-tracking state, mouse-press
// tracking (a press captures the mouse, shows the pressed look only while
// the pointer is over the button and clicks only when released over it) and
// the styled caption. TVmButton is the push button proper: Enter and Escape
// through the form, latching groups, and the face in every state. TVmBitBtn
// adds a glyph (a bitmap or an image-list image) beside the caption and the
// standard kinds ("OK", "Cancel", ...).
#include "Controls.h"
#include "VmCommon.h"
#include "VmGrafx.h"
#include "VmPanel.h"   // TAlignmentVertical

#include <cstdint>

enum TVmHotTrackColorType { htctComplement, htctActual };
enum TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };

// ---------------------------------------------------------------------------
class TVmCustomButton : public TCustomControl {
    Q_OBJECT
public:
    explicit TVmCustomButton(TComponent* owner = nullptr, QWidget* parent = nullptr);

    TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
    virtual void SetAlignmentVertical(TAlignmentVertical value);
    TColor HotTrackColor() const { return hotTrackColor_; }
    void SetHotTrackColor(TColor value);
    TVmHotTrackColorType HotTrackColorType() const { return hotTrackColorType_; }
    void SetHotTrackColorType(TVmHotTrackColorType value);
    TColor HighlightColor() const { return highlightColor_; }
    virtual void SetHighlightColor(TColor value);
    bool LightTextStyle() const { return lightTextStyle_; }
    virtual void SetLightTextStyle(bool value);
    TTextStyle TextStyle() const { return textStyle_; }
    virtual void SetTextStyle(TTextStyle value);
    TColor TextHighlightColor() const { return textHighlightColor_; }
    virtual void SetTextHighlightColor(TColor value);
    TColor TextShadowColor() const { return textShadowColor_; }
    virtual void SetTextShadowColor(TColor value);
    int TextShadowDepth() const { return textShadowDepth_; }
    virtual void SetTextShadowDepth(int value);
    bool HotTrack() const { return hotTrack_; }
    virtual void SetHotTrack(bool value);
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);
    bool ThemeAware() const { return themeAware_; }
    virtual void SetThemeAware(bool value);

    // A left-button press that began on the button is being followed.
    bool PressTracking() const { return pressTracking_; }
    // The pointer is over the button.
    bool PointerOver() const { return pointerOver_; }
    // The pressed look shows now (mouse held inside, or space held).
    bool ShowPressed() const { return showPressed_; }

    // What hot tracking repaints when the pointer comes and goes.
    virtual TRect HotTrackArea() const;

    void CMEnabledChanged() override;
    void CMTextChanged() override;
    void CMMouseEnter() override;
    void CMMouseLeave() override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // Shows a change of the pressed state. The base does nothing.
    virtual void RefreshFace() {}
    // Repaints now.
    virtual void RepaintFace() { Repaint(); }
    // Draws the caption in r with the DT_* flags, in TextStyle (embossed
    // when disabled), placed vertically by AlignmentVertical.
    virtual void DrawStyledCaption(TCanvas& canvas, TRect r, unsigned flags);
    // What a click by mouse or space does.
    virtual void ClickAction() = 0;
    virtual void NotifyMouseEnter();
    virtual void NotifyMouseLeave();

    void SetShowPressed(bool value) { showPressed_ = value; }

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void WMSetFocus() override;
    void WMKillFocus() override;
    void EraseBackground(TCanvas& canvas) override;

    // Inside the client area: x = width and y = height are outside.
    bool InsideClient(int x, int y) const;

private:
    // The caption's measured height for a width, kept between paints (hot
    // tracking repaints often, and measuring wrapped text is the costliest
    // part of a paint). oneLine: the caption fits on one line as it is, so
    // drawing it needs no wrapping pass.
    struct CaptionLayout {
        QString text;
        TFont font;
        int width = -1;
        int height = 0;
        bool oneLine = false;
        int lineWidth = 0;   // of the one line
        bool plain = false;  // one line without accelerator or tab
        QFont qfont;         // the font as drawn, and its ascent
        int ascent = 0;
    };
    const CaptionLayout& LayoutCaption(TCanvas& canvas, int width);
    // Draws one copy of the caption in r as DrawText would with `flags`.
    void DrawCaptionCopy(TCanvas& canvas, const CaptionLayout& layout, TRect r, unsigned flags);
    CaptionLayout captionLayout_;

    TAlignmentVertical alignmentVertical_ = avCenter;
    TColor hotTrackColor_ = clHighlight;
    TVmHotTrackColorType hotTrackColorType_ = htctComplement;
    TColor highlightColor_ = clHighlight;
    bool lightTextStyle_ = false;
    TTextStyle textStyle_ = tsNormal;
    TColor textHighlightColor_ = clBtnHighlight;
    TColor textShadowColor_ = clBtnShadow;
    int textShadowDepth_ = 2;
    bool pressTracking_ = false;
    bool hotTrack_ = false;
    bool pointerOver_ = false;
    bool showPressed_ = false;
    bool transparent_ = false;
    bool themeAware_ = true;
};

// ---------------------------------------------------------------------------
class TVmButton : public TVmCustomButton {
    Q_OBJECT
public:
    explicit TVmButton(TComponent* owner = nullptr, QWidget* parent = nullptr);

    TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(TAlignment value);
    bool Default() const { return default_; }
    virtual void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    bool AnswersEnter() const { return answersEnter_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    bool AllowAllUp() const { return allowAllUp_; }
    virtual void SetAllowAllUp(bool value);
    bool Down() const { return down_; }
    virtual void SetDown(bool value);
    int GroupIndex() const { return groupIndex_; }
    virtual void SetGroupIndex(int value);
    bool ShowDownPattern() const { return showDownPattern_; }
    virtual void SetShowDownPattern(bool value);
    bool ShowFocusRect() const { return showFocusRect_; }
    virtual void SetShowFocusRect(bool value);
    bool DropDownOnEnter() const { return dropDownOnEnter_; }
    void SetDropDownOnEnter(bool value) { dropDownOnEnter_ = value; }
    // True while Click runs from a press (mouse or space).
    bool InClick() const { return inClick_; }
    bool SpaceDown() const { return spaceDown_; }

    // A hot-tracking button is always transparent: the corners its ring
    // leaves out show the parent.
    void SetHotTrack(bool value) override;
    // Older layouts stored HotTrack under this name.
    void ReadFrameFlat(bool value) { SetHotTrack(value); }

    // Sets the form's modal result to ModalResult (0 included), then OnClick.
    void Click() override;

    bool CMDialogKey(TKey key, TShiftState shift) override;
    bool CMDialogChar(QChar ch, TShiftState shift) override;
    void CMFocusChanged(QWidget* focused) override;
    // A latching button of `sender`'s parent went down (or changed its
    // AllowAllUp). Returns the message result (always 0).
    virtual int CMGroupPress(int groupIndex, TControl* sender);

    // The rectangle the caption is laid out in.
    virtual TRect CaptionArea();

protected:
    virtual void PaintCaption();
    // An 8 x 8 checker of the latched face.
    virtual void MakeDownPattern(TBitmap& pattern);

    // The button answers Enter from the start when it is the Default one.
    void CreateWnd() override;
    void RefreshFace() override { Invalidate(); }
    void ClickAction() override;
    void Paint() override;
    void KeyDown(TKey& key, TShiftState shift) override;
    void KeyUp(TKey& key, TShiftState shift) override;

private:
    void PaintHotTrackFace();
    TRect PaintClassicFace();
    void SetAnswersEnter(bool value);
    void SendGroupPress();

    TAlignment alignment_ = taCenter;
    bool inClick_ = false;
    bool default_ = false;
    bool cancel_ = false;
    bool answersEnter_ = false;
    int modalResult_ = 0;
    bool spaceDown_ = false;
    bool allowAllUp_ = false;
    bool down_ = false;
    int groupIndex_ = 0;
    bool showDownPattern_ = true;
    bool showFocusRect_ = true;
    bool dropDownOnEnter_ = true;
};

// ---------------------------------------------------------------------------
enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TVmBitBtn : public TVmButton {
    Q_OBJECT
public:
    explicit TVmBitBtn(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TVmBitBtn() override;

    // One to four images of equal width side by side (the second one shows
    // while disabled). Never absent; empty at first.
    TBitmap& Glyph() { return glyph_; }
    // Copies `value` into the button's own glyph.
    virtual void SetGlyph(const TBitmap& value);
    // Reading checks that the button still matches its kind: a button whose
    // Default, Cancel, ModalResult or Glyph changed since reads bkCustom.
    virtual TBitBtnKind Kind();
    virtual void SetKind(TBitBtnKind value);
    TButtonLayout Layout() const { return layout_; }
    virtual void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    // -1 centres glyph and caption together; below -1 is ignored.
    virtual void SetMargin(int value);
    int NumGlyphs() const { return numGlyphs_; }
    // 1..4; other values are ignored.
    virtual void SetNumGlyphs(int value);
    int Spacing() const { return spacing_; }
    virtual void SetSpacing(int value);
    bool GlyphCustomised() const { return glyphCustomised_; }
    int ImageIndex() const { return imageIndex_; }
    virtual void SetImageIndex(int value);
    int DisabledIndex() const { return disabledIndex_; }
    virtual void SetDisabledIndex(int value);
    TCustomImageList* Images() const { return images_; }
    virtual void SetImages(TCustomImageList* value);

    // Whether the layout would store Cancel, Default, Glyph, ModalResult and
    // NumGlyphs (only for bkCustom), and Caption (only when it is not the
    // kind's standard caption).
    bool IsCustom() { return Kind() == bkCustom; }
    bool IsCustomCaption();
    // The form was scaled by m/d: the glyph's distances scale with it.
    void ChangeScale(int m, int d);

    // The standard caption and modal result of a kind.
    static QString KindCaption(TBitBtnKind kind);
    static int KindModalResult(TBitBtnKind kind);
    // The resource name of a kind's glyph ("VMCOMMON_OK", ...).
    static QString KindGlyphResource(TBitBtnKind kind);

    virtual TSize GlyphExtent();
    virtual TRect GlyphArea();
    TRect CaptionArea() override;

protected:
    virtual void PaintListImage(const TRect& g);
    virtual void PaintGlyphBitmap(const TRect& g);
    void PaintCaption() override;

private:
    void GlyphChanged();
    bool HasImage() const { return images_ && imageIndex_ != -1; }
    int CaptionHeightIn(const TRect& r);

    TBitmap glyph_;
    TBitBtnKind kind_ = bkCustom;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = 2;
    int numGlyphs_ = 1;
    int spacing_ = 4;
    bool glyphCustomised_ = false;
    int imageIndex_ = -1;
    int disabledIndex_ = -1;
    TCustomImageList* images_ = nullptr;
    TChangeLink imageLink_;
};
