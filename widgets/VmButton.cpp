#include "VmButton.h"

#include "Forms.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <memory>

// Resources of a static library must be registered by hand (outside any
// namespace).
static void InitButtonResources()
{
    Q_INIT_RESOURCE(VmButton);
}

namespace {

void Fill(TCanvas& canvas, const TRect& r, TColor color)
{
    canvas.Brush().SetColor(color);
    canvas.FillRect(r);
}

// One-pixel lines of the face as fills: the same pixels as pen lines, at a
// fraction of the cost of plotting them one by one.
void HLine(TCanvas& canvas, int x1, int x2, int y, TColor color)   // x1..x2 inclusive
{
    Fill(canvas, Rect(x1, y, x2 + 1, y + 1), color);
}

void VLine(TCanvas& canvas, int x, int y1, int y2, TColor color)   // y1..y2 inclusive
{
    Fill(canvas, Rect(x, y1, x + 1, y2 + 1), color);
}

// A one-pixel bevel ring on all four sides, pixel for pixel as the border
// routines draw it (the lower-right colour last, owning the top-right and
// bottom-left corners), in fills.
void Ring(TCanvas& canvas, const TRect& r, TColor upperLeft, TColor lowerRight)
{
    VLine(canvas, r.Left, r.Top, r.Bottom - 1, upperLeft);
    HLine(canvas, r.Left, r.Right - 1, r.Top, upperLeft);
    VLine(canvas, r.Right - 1, r.Top, r.Bottom - 1, lowerRight);
    HLine(canvas, r.Left, r.Right - 1, r.Bottom - 1, lowerRight);
}

} // namespace

// ===========================================================================
// TVmCustomButton

TVmCustomButton::TVmCustomButton(TComponent* owner, QWidget* parent)
    : TCustomControl(owner, parent)
{
    // The mouse is captured while held; a double click is a second press;
    // the button decides itself when a release is a click.
    SetControlStyle((ControlStyle() | csCaptureMouse) & ~(csDoubleClicks | csClickEvents));
    SetBounds(Left(), Top(), 115, 17);
    SetTabStop(true);
}

void TVmCustomButton::SetAlignmentVertical(TAlignmentVertical value)
{
    if (alignmentVertical_ == value)
        return;
    alignmentVertical_ = value;
    Invalidate();
}

void TVmCustomButton::SetHotTrackColor(TColor value)
{
    if (hotTrackColor_ == value)
        return;
    hotTrackColor_ = value;
    Invalidate();
}

void TVmCustomButton::SetHotTrackColorType(TVmHotTrackColorType value)
{
    if (hotTrackColorType_ == value)
        return;
    hotTrackColorType_ = value;
    Invalidate();
}

void TVmCustomButton::SetHighlightColor(TColor value)
{
    if (highlightColor_ == value)
        return;
    highlightColor_ = value;
    Invalidate();
}

void TVmCustomButton::SetLightTextStyle(bool value)
{
    if (lightTextStyle_ == value)
        return;
    lightTextStyle_ = value;
    Invalidate();
}

void TVmCustomButton::SetTextStyle(TTextStyle value)
{
    if (textStyle_ == value)
        return;
    textStyle_ = value;
    Invalidate();
}

void TVmCustomButton::SetTextHighlightColor(TColor value)
{
    if (textHighlightColor_ == value)
        return;
    textHighlightColor_ = value;
    Invalidate();
}

void TVmCustomButton::SetTextShadowColor(TColor value)
{
    if (textShadowColor_ == value)
        return;
    textShadowColor_ = value;
    Invalidate();
}

void TVmCustomButton::SetTextShadowDepth(int value)
{
    if (textShadowDepth_ == value)
        return;
    textShadowDepth_ = value;
    Invalidate();
}

void TVmCustomButton::SetHotTrack(bool value)
{
    if (hotTrack_ == value)
        return;
    hotTrack_ = value;
    Invalidate();
}

void TVmCustomButton::SetTransparent(bool value)
{
    if (transparent_ == value)
        return;
    transparent_ = value;
    Invalidate();
}

void TVmCustomButton::SetThemeAware(bool value)
{
    if (themeAware_ == value)
        return;
    themeAware_ = value;
    Invalidate();
}

TRect TVmCustomButton::HotTrackArea() const
{
    return ClientRect();
}

bool TVmCustomButton::InsideClient(int x, int y) const
{
    return x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
}

void TVmCustomButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled())
        return;
    SetFocus();
    // A press that did not get the focus (a control that keeps it) is not
    // followed and never becomes a click.
    if (!Focused())
        return;
    showPressed_ = true;
    RefreshFace();
    pressTracking_ = true;
}

void TVmCustomButton::MouseMove(TShiftState shift, int x, int y)
{
    TCustomControl::MouseMove(shift, x, y);
    if (!pressTracking_)
        return;
    const bool inside = InsideClient(x, y);
    if (inside != showPressed_) {
        showPressed_ = inside;
        RefreshFace();
    }
}

void TVmCustomButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    if (!pressTracking_)
        return;
    pressTracking_ = false;
    showPressed_ = false;
    if (InsideClient(x, y))
        ClickAction();
    RefreshFace();
}

void TVmCustomButton::WMSetFocus()
{
    TCustomControl::WMSetFocus();
    RepaintFace();
}

void TVmCustomButton::WMKillFocus()
{
    TCustomControl::WMKillFocus();
    RepaintFace();
}

void TVmCustomButton::EraseBackground(TCanvas& canvas)
{
    if (transparent_)
        PaintParentBackground(this, canvas, true);
    else
        TCustomControl::EraseBackground(canvas);
}

void TVmCustomButton::CMEnabledChanged()
{
    TCustomControl::CMEnabledChanged();
    Invalidate();
}

void TVmCustomButton::CMTextChanged()
{
    TCustomControl::CMTextChanged();
    Repaint();
}

void TVmCustomButton::NotifyMouseEnter()
{
    pointerOver_ = true;
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TVmCustomButton::NotifyMouseLeave()
{
    pointerOver_ = false;
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TVmCustomButton::CMMouseEnter()
{
    TCustomControl::CMMouseEnter();
    if (!Designing())
        NotifyMouseEnter();
    // Only the face changes: no background erase, so the parent does not
    // paint again.
    if (hotTrack_ || (themeAware_ && VmThemesEnabled())) {
        const TRect area = HotTrackArea();
        InvalidateRect(&area, false);
    }
}

void TVmCustomButton::CMMouseLeave()
{
    TCustomControl::CMMouseLeave();
    NotifyMouseLeave();
    if (hotTrack_ || (themeAware_ && VmThemesEnabled())) {
        const TRect area = HotTrackArea();
        InvalidateRect(&area, false);
    }
}

void TVmCustomButton::DrawStyledCaption(TCanvas& canvas, TRect r, unsigned flags)
{
    canvas.Brush().SetStyle(bsClear);
    canvas.SetFont(Font());

    const CaptionLayout& layout = LayoutCaption(canvas, r.Width());
    r = PlaceCaptionVertically(r, layout.height, alignmentVertical_);
    if (layout.oneLine && (flags & DT_WORDBREAK))
        flags = (flags & ~DT_WORDBREAK) | DT_SINGLELINE;
    if (layoutDirection() == Qt::RightToLeft)
        flags = (flags & ~(DT_CENTER | DT_RIGHT)) | DT_RIGHT | DT_RTLREADING;
    const bool right = (flags & DT_RIGHT) != 0;

    auto drawAt = [&](int dx, int dy, TColor color) {
        canvas.Font().SetColor(color);
        DrawCaptionCopy(canvas, layout, r.Offset(dx, dy), flags);
    };

    if (Enabled()) {
        const TColor textColor = Font().Color();
        if (textStyle_ == tsRaised || textStyle_ == tsRecessed) {
            const bool raised = textStyle_ == tsRaised;
            const TColor c1 = raised ? textHighlightColor_ : textShadowColor_;
            const TColor c2 = raised ? textShadowColor_ : textHighlightColor_;
            if (!raised || !lightTextStyle_)
                drawAt(1, 1, c2);
            if (raised || !lightTextStyle_)
                drawAt(-1, -1, c1);
        } else if (textStyle_ == tsShadow) {
            drawAt(right ? 0 : textShadowDepth_, textShadowDepth_, textShadowColor_);
        }
        drawAt(right ? -textShadowDepth_ : 0, 0, textColor);
    } else {
        drawAt(1, 1, clBtnHighlight);
        drawAt(0, 0, clBtnShadow);
    }
    canvas.Brush().SetStyle(bsSolid);
}

const TVmCustomButton::CaptionLayout& TVmCustomButton::LayoutCaption(TCanvas& canvas, int width)
{
    CaptionLayout& l = captionLayout_;
    if (l.width == width && l.text == Caption() && l.font.SameAs(canvas.Font()))
        return l;
    l.text = Caption();
    l.font = canvas.Font();
    l.width = width;
    TRect wrapped = Rect(0, 0, width, 0);
    l.height = canvas.DrawText(l.text, wrapped, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER);
    // Wrapping drops the spaces at a line's end and breaks at line feeds;
    // a caption with neither that fits the width is one line either way.
    TRect single = Rect(0, 0, 0, 0);
    canvas.DrawText(l.text, single, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    l.oneLine = !l.text.contains(QLatin1Char('\r')) && !l.text.contains(QLatin1Char('\n'))
                && !l.text.endsWith(QLatin1Char(' ')) && single.Width() <= width;
    l.lineWidth = single.Width();
    l.plain = l.oneLine && !l.text.contains(QLatin1Char('&')) && !l.text.contains(QLatin1Char('\t'));
    l.qfont = l.font.ToQFont();
    l.ascent = QFontMetrics(l.qfont).ascent();
    return l;
}

void TVmCustomButton::DrawCaptionCopy(TCanvas& canvas, const CaptionLayout& layout, TRect r, unsigned flags)
{
    const bool clearBackground = canvas.Brush().Style() == bsClear || canvas.BkMode() == TRANSPARENT;
    if (!layout.plain || !clearBackground || !canvas.HandleAllocated()) {
        canvas.DrawText(layout.text, r, flags);
        return;
    }
    // A plain line is drawn as the canvas's DrawText draws it (placed by its
    // width, clipped to r, without antialiasing), with the measuring and the
    // font set-up done once per caption instead of once per copy: hot
    // tracking repaints the button on every pass of the pointer.
    int x = r.Left;
    if (flags & DT_CENTER)
        x = r.Left + (r.Width() - layout.lineWidth) / 2;
    else if (flags & DT_RIGHT)
        x = r.Right - layout.lineWidth;
    const TPoint origin = canvas.ViewportOrg();
    QPainter p(canvas.Target());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setClipRegion(canvas.ClipRegion().ToQRegion().intersected(r.Offset(origin.X, origin.Y).ToQRect()));
    p.translate(origin.X, origin.Y);
    p.setFont(layout.qfont);
    p.setPen(ToQColor(canvas.Font().Color()));
    p.drawText(QPoint(x, r.Top + layout.ascent), layout.text);
}

// ===========================================================================
// TVmButton

TVmButton::TVmButton(TComponent* owner, QWidget* parent)
    : TVmCustomButton(owner, parent)
{
    SetBounds(Left(), Top(), 75, 25);
    SetColor(clBtnFace);
    SetParentColor(false);
}

void TVmButton::CreateWnd()
{
    TVmCustomButton::CreateWnd();
    answersEnter_ = default_;
}

void TVmButton::SetHotTrack(bool value)
{
    TVmCustomButton::SetHotTrack(value);
    SetTransparent(HotTrack());
    Invalidate();
}

void TVmButton::SetAlignment(TAlignment value)
{
    if (alignment_ == value)
        return;
    alignment_ = value;
    Invalidate();
}

void TVmButton::SetDefault(bool value)
{
    default_ = value;
    if (!HandleAllocated())
        return;   // CreateWnd takes the value over
    if (TCustomForm* form = GetParentForm(this)) {
        // Every button of the form works out again which one answers Enter.
        QWidget* active = form->ActiveControl();
        for (TControl* control : form->findChildren<TControl*>())
            control->CMFocusChanged(active);
    } else {
        answersEnter_ = default_;
    }
}

void TVmButton::SetAnswersEnter(bool value)
{
    if (answersEnter_ == value)
        return;
    answersEnter_ = value;
    RepaintFace();
}

void TVmButton::CMFocusChanged(QWidget* focused)
{
    const bool isButton = qobject_cast<TVmButton*>(focused) || qobject_cast<QPushButton*>(focused);
    SetAnswersEnter(isButton ? focused == this : default_);
    TVmCustomButton::CMFocusChanged(focused);
}

void TVmButton::SetAllowAllUp(bool value)
{
    if (allowAllUp_ == value)
        return;
    allowAllUp_ = value;
    SendGroupPress();
}

void TVmButton::SetGroupIndex(int value)
{
    if (groupIndex_ == value)
        return;
    groupIndex_ = value;
    SendGroupPress();
}

void TVmButton::SetDown(bool value)
{
    if (groupIndex_ == 0)
        value = false;
    if (value == down_)
        return;
    // A latched button is released by another one of its group, or by its
    // own click only when the group allows all buttons up.
    if (down_ && !allowAllUp_)
        return;
    down_ = value;
    Invalidate();
    if (value)
        SendGroupPress();
}

void TVmButton::SendGroupPress()
{
    if (groupIndex_ == 0 || !parentWidget())
        return;
    for (QObject* child : parentWidget()->children()) {
        auto* button = qobject_cast<TVmButton*>(child);
        if (button && button->CMGroupPress(groupIndex_, this) != 0)
            break;
    }
}

int TVmButton::CMGroupPress(int groupIndex, TControl* sender)
{
    auto* other = qobject_cast<TVmButton*>(sender);
    if (groupIndex != groupIndex_ || !other || other == this)
        return 0;
    if (other->Down() && down_) {
        down_ = false;
        Invalidate();
    }
    allowAllUp_ = other->AllowAllUp();
    return 0;
}

void TVmButton::SetShowDownPattern(bool value)
{
    if (showDownPattern_ == value)
        return;
    showDownPattern_ = value;
    Invalidate();
}

void TVmButton::SetShowFocusRect(bool value)
{
    if (showFocusRect_ == value)
        return;
    showFocusRect_ = value;
    Invalidate();
}

void TVmButton::Click()
{
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(modalResult_);
    TVmCustomButton::Click();
}

void TVmButton::ClickAction()
{
    if (groupIndex_ == 0)
        RefreshFace();
    else
        SetDown(!down_);
    inClick_ = true;
    try {
        Click();
    } catch (...) {
        inClick_ = false;
        throw;
    }
    inClick_ = false;
}

bool TVmButton::CMDialogKey(TKey key, TShiftState shift)
{
    const bool wanted = (key == Qt::Key_Return && answersEnter_) || (key == Qt::Key_Escape && cancel_);
    if (wanted && (shift & (ssShift | ssCtrl | ssAlt)) == 0 && CanFocus()) {
        Click();
        return true;
    }
    return TVmCustomButton::CMDialogKey(key, shift);
}

bool TVmButton::CMDialogChar(QChar ch, TShiftState shift)
{
    if (IsAccel(ch, Caption()) && CanFocus()) {
        Click();
        return true;
    }
    return TVmCustomButton::CMDialogChar(ch, shift);
}

void TVmButton::KeyDown(TKey& key, TShiftState shift)
{
    if (key == Qt::Key_Space && (shift & ssAlt) == 0) {
        spaceDown_ = true;
        SetShowPressed(true);
        RefreshFace();
    }
    TVmCustomButton::KeyDown(key, shift);
}

void TVmButton::KeyUp(TKey& key, TShiftState shift)
{
    if (key == Qt::Key_Space) {
        SetShowPressed(false);
        if (spaceDown_) {
            spaceDown_ = false;
            ClickAction();
        }
        RefreshFace();
    }
    TVmCustomButton::KeyUp(key, shift);
}

TRect TVmButton::CaptionArea()
{
    TRect r = ClientRect().Inflate(-5, -5);
    if (!HotTrack() && !(ThemeAware() && VmThemesEnabled()) && ((groupIndex_ != 0 && down_) || ShowPressed()))
        r = r.Offset(1, 1);
    return r;
}

void TVmButton::PaintCaption()
{
    DrawStyledCaption(Canvas(), CaptionArea(), AlignmentTextFlag(alignment_) | DT_WORDBREAK | DT_EXPANDTABS);
}

void TVmButton::MakeDownPattern(TBitmap& pattern)
{
    pattern.SetSize(8, 8);
    TCanvas& canvas = pattern.Canvas();
    Fill(canvas, Rect(0, 0, 8, 8), Color());
    const TColor dot = ColorToRGB(Color()) == RGB(192, 192, 192) ? RGB(128, 128, 128) : RGB(192, 192, 192);
    for (int y = 0; y < 8; ++y) {
        for (int x = y % 2; x < 8; x += 2)
            canvas.SetPixels(x, y, dot);
    }
}

void TVmButton::Paint()
{
    TCanvas& canvas = Canvas();
    const TRect client = ClientRect();
    const bool themed = ThemeAware() && VmThemesEnabled();
    const int inset = HotTrack() || themed ? 3 : 4;
    TRect focusRect = client.Inflate(-inset, -inset);
    if (groupIndex_ != 0 && (down_ || ShowPressed()))
        focusRect = focusRect.Offset(1, 1);

    TRect r;
    if (HotTrack()) {
        PaintHotTrackFace();
        r = client.Inflate(-2, -2);
    } else {
        r = PaintClassicFace();
    }

    if (groupIndex_ != 0 && down_ && showDownPattern_) {
        TBitmap pattern;
        MakeDownPattern(pattern);
        canvas.Brush().SetBitmap(&pattern);
        canvas.FillRect(r);
        canvas.Brush().SetBitmap(nullptr);
    }

    canvas.SetFont(Font());
    canvas.Brush().SetColor(Color());
    PaintCaption();

    if (Focused() && showFocusRect_)
        PaintDottedFocusFrame(canvas, focusRect);
}

void TVmButton::PaintHotTrackFace()
{
    TCanvas& canvas = Canvas();
    const int w = ClientWidth();
    const int h = ClientHeight();
    // The system colour code, not its RGB value: an explicit colour equal to
    // the face colour still counts as a colour of its own.
    const bool faceColor = Color() == clBtnFace;
    const TRect face = Rect(2, 2, w - 2, h - 2);

    if (!Enabled()) {
        const TColor frame = faceColor ? LightenColor(clBtnShadow, 30) : DarkenColor(Color(), 80);
        VLine(canvas, 1, 2, h - 3, frame);
        VLine(canvas, w - 2, 2, h - 3, frame);
        HLine(canvas, 2, w - 3, 1, frame);
        HLine(canvas, 2, w - 3, h - 2, frame);
        Fill(canvas, face, Color());
        return;
    }

    // The outer ring: dark on the left and top, light on the right and
    // bottom; the three outer pixels of each corner stay the parent's.
    const TColor a = DarkenColor(clBtnFace, 20);
    const TColor b = LightenColor(clBtnFace, 20);
    VLine(canvas, 0, 2, h - 3, a);
    HLine(canvas, 2, w - 3, 0, a);
    VLine(canvas, w - 1, 2, h - 3, b);
    HLine(canvas, 2, w - 3, h - 1, b);
    canvas.SetPixels(1, 1, a);
    canvas.SetPixels(w - 2, 1, a);
    canvas.SetPixels(1, h - 2, a);
    canvas.SetPixels(w - 2, h - 2, b);

    const TColor k = faceColor ? cl3DDkShadow : DarkenColor(Color(), 150);
    VLine(canvas, 1, 2, h - 3, k);
    VLine(canvas, w - 2, 2, h - 3, k);
    HLine(canvas, 2, w - 3, 1, k);
    HLine(canvas, 2, w - 3, h - 2, k);

    auto rings = [&](TColor u, TColor l) {
        Ring(canvas, face, u, l);
        Ring(canvas, face.Inflate(-1, -1), DarkenColor(u, 10), LightenColor(l, 10));
        Fill(canvas, face.Inflate(-2, -2), Color());
    };

    if (down_ || ShowPressed()) {
        Fill(canvas, face, DarkenColor(Color(), 10));
    } else if (PointerOver()) {
        TColor u;
        TColor l;
        if (HotTrackColorType() == htctComplement) {
            const int hue = HueOfColor(HotTrackColor());
            const int opposite = hue >= 120 ? hue - 120 : hue + 120;
            u = ColorFromHsl(static_cast<std::uint8_t>(opposite), 220, 180);
            l = DarkenColor(u, 30);
        } else {
            u = LightenColor(HotTrackColor(), 30);
            l = DarkenColor(HotTrackColor(), 30);
        }
        rings(u, l);
    } else if (groupIndex_ == 0 && (answersEnter_ || Focused())) {
        const TColor u = ColorFromHsl(HueOfColor(HighlightColor()), 220, 220);
        rings(u, DarkenColor(u, 30));
    } else {
        const TColor c = Color();
        HLine(canvas, 2, w - 3, 2, LightenColor(c, 20));
        HLine(canvas, 2, w - 3, 3, LightenColor(c, 15));
        HLine(canvas, 2, w - 3, 4, LightenColor(c, 10));
        const TColor d10 = DarkenColor(c, 10);
        HLine(canvas, 2, w - 5, h - 5, d10);
        VLine(canvas, w - 4, 5, h - 5, d10);
        const TColor d20 = DarkenColor(c, 20);
        HLine(canvas, 2, w - 4, h - 4, d20);
        VLine(canvas, w - 3, 5, h - 4, d20);
        HLine(canvas, 2, w - 3, h - 3, DarkenColor(c, 30));
        Fill(canvas, Rect(2, 5, w - 4, h - 5), c);
    }
}

TRect TVmButton::PaintClassicFace()
{
    TCanvas& canvas = Canvas();
    TRect r = ClientRect();
    const bool pressed = ShowPressed();
    if (groupIndex_ == 0 && (((answersEnter_ || Focused()) && !pressed) || inClick_))
        r = PaintSides(canvas, r, clWindowFrame, clWindowFrame, AllSides);
    const bool latched = down_ || pressed;
    if (Color() == clBtnFace) {
        if (groupIndex_ == 0)
            r = PaintButtonEdge(canvas, r, pressed, AllSides);
        else
            r = PaintFrameStyle(canvas, r, latched ? fsLowered : fsButtonUp, AllSides);
    } else {
        if (groupIndex_ == 0)
            r = PaintColoredButtonEdge(canvas, r, Color(), pressed, AllSides);
        else if (latched)
            r = PaintColoredFrameStyle(canvas, r, Color(), fsLowered, AllSides);
        else
            r = PaintColoredButtonEdge(canvas, r, Color(), false, AllSides);
    }
    return r;
}

// ===========================================================================
// TVmBitBtn

namespace {

struct KindInfo {
    const char* caption;
    int modalResult;
    const char* resource;
};

// Indexed by TBitBtnKind.
constexpr std::array<KindInfo, 11> Kinds = {{
    {"", mrNone, ""},
    {"OK", mrOk, "VMCOMMON_OK"},
    {"Cancel", mrCancel, "VMCOMMON_CANCEL"},
    {"&Help", mrNone, "VMCOMMON_HELP"},
    {"&Yes", mrYes, "VMCOMMON_YES"},
    {"&No", mrNo, "VMCOMMON_NO"},
    {"&Close", mrNone, "VMCOMMON_CLOSE"},
    {"Abort", mrAbort, "VMCOMMON_ABORT"},
    {"&Retry", mrRetry, "VMCOMMON_RETRY"},
    {"&Ignore", mrIgnore, "VMCOMMON_IGNORE"},
    {"&All", mrAll, "VMCOMMON_ALL"},
}};

// One glyph per kind for the whole process, loaded the first time the kind
// is assigned.
const TBitmap& KindGlyph(TBitBtnKind kind)
{
    static std::array<std::unique_ptr<TBitmap>, 11> cache;
    std::unique_ptr<TBitmap>& slot = cache[kind];
    if (!slot) {
        auto bitmap = std::make_unique<TBitmap>();
        if (kind != bkCustom) {
            InitButtonResources();
            bitmap->LoadFromResource(QString::fromLatin1(Kinds[kind].resource));
        }
        slot = std::move(bitmap);
    }
    return *slot;
}

} // namespace

TVmBitBtn::TVmBitBtn(TComponent* owner, QWidget* parent)
    : TVmButton(owner, parent)
{
    glyph_.OnChange = [this](TBitmap*) { GlyphChanged(); };
    // A change of the list paints at once what is pending; the button's
    // own image may not have changed.
    imageLink_.OnChange = [this](TCustomImageList*) { Update(); };
    imageLink_.OnDestroy = [this](TCustomImageList*) {
        images_ = nullptr;
        Invalidate();
    };
}

TVmBitBtn::~TVmBitBtn()
{
    glyph_.OnChange = nullptr;
    if (images_)
        images_->UnRegisterChanges(&imageLink_);
}

QString TVmBitBtn::KindCaption(TBitBtnKind kind)
{
    return QString::fromLatin1(Kinds[kind].caption);
}

int TVmBitBtn::KindModalResult(TBitBtnKind kind)
{
    return Kinds[kind].modalResult;
}

QString TVmBitBtn::KindGlyphResource(TBitBtnKind kind)
{
    return QString::fromLatin1(Kinds[kind].resource);
}

void TVmBitBtn::SetGlyph(const TBitmap& value)
{
    glyph_.Assign(value);
    glyphCustomised_ = true;
}

void TVmBitBtn::GlyphChanged()
{
    const int w = glyph_.Width();
    const int h = glyph_.Height();
    if (h > 0 && w % h == 0) {
        const int count = w / h;
        numGlyphs_ = count > 4 || count < 1 ? 1 : count;
    }
    Invalidate();
}

TBitBtnKind TVmBitBtn::Kind()
{
    if (kind_ != bkCustom) {
        const bool isDefault = kind_ == bkOK || kind_ == bkYes;
        const bool isCancel = kind_ == bkCancel || kind_ == bkNo;
        if (Default() != isDefault || Cancel() != isCancel || ModalResult() != KindModalResult(kind_)
            || glyphCustomised_)
            kind_ = bkCustom;
    }
    return kind_;
}

void TVmBitBtn::SetKind(TBitBtnKind value)
{
    if (value == Kind())
        return;
    if (value != bkCustom) {
        SetDefault(value == bkOK || value == bkYes);
        SetCancel(value == bkCancel || value == bkNo);
        if (!(Loading() && !Caption().isEmpty()))
            SetCaption(KindCaption(value));
        SetModalResult(KindModalResult(value));
        glyph_.Assign(KindGlyph(value));
        numGlyphs_ = 2;
        glyphCustomised_ = false;
    }
    kind_ = value;
    Invalidate();
}

bool TVmBitBtn::IsCustomCaption()
{
    const TBitBtnKind kind = Kind();
    if (kind == bkCustom)
        return !Caption().isEmpty();
    return Caption() != KindCaption(kind);
}

void TVmBitBtn::SetLayout(TButtonLayout value)
{
    if (layout_ == value)
        return;
    layout_ = value;
    Invalidate();
}

void TVmBitBtn::SetMargin(int value)
{
    if (margin_ == value || value < -1)
        return;
    margin_ = value;
    Invalidate();
}

void TVmBitBtn::SetNumGlyphs(int value)
{
    if (numGlyphs_ == value || value < 1 || value > 4)
        return;
    numGlyphs_ = value;
    Invalidate();
}

void TVmBitBtn::SetSpacing(int value)
{
    if (spacing_ == value)
        return;
    spacing_ = value;
    Invalidate();
}

void TVmBitBtn::SetImageIndex(int value)
{
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    Invalidate();
}

void TVmBitBtn::SetDisabledIndex(int value)
{
    if (disabledIndex_ == value)
        return;
    disabledIndex_ = value;
    Invalidate();
}

void TVmBitBtn::SetImages(TCustomImageList* value)
{
    if (images_)
        images_->UnRegisterChanges(&imageLink_);
    images_ = value;
    if (images_)
        images_->RegisterChanges(&imageLink_);
    Invalidate();
}

void TVmBitBtn::ChangeScale(int m, int d)
{
    if (d == 0 || m == d)
        return;
    margin_ = qRound(double(margin_) * m / d);
    spacing_ = qRound(double(spacing_) * m / d);
    if (margin_ < -1)
        margin_ = -1;
    Invalidate();
}

TSize TVmBitBtn::GlyphExtent()
{
    if (HasImage())
        return {images_->Width(), images_->Height()};
    return {glyph_.Width() / std::max(1, numGlyphs_), glyph_.Height()};
}

int TVmBitBtn::CaptionHeightIn(const TRect& r)
{
    Canvas().SetFont(Font());
    TRect measure = r;
    return Canvas().DrawText(Caption(), measure, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER);
}

TRect TVmBitBtn::CaptionArea()
{
    TRect p = TVmButton::CaptionArea();
    if (!HasImage() && glyph_.Empty())
        return p;
    const TSize g = GlyphExtent();
    if (margin_ >= 0) {
        switch (layout_) {
        case blGlyphLeft: p.Left += margin_ + g.cx + spacing_; break;
        case blGlyphRight: p.Right -= margin_ + g.cx + spacing_; break;
        case blGlyphTop: p.Top += margin_ + g.cy + spacing_; break;
        case blGlyphBottom: p.Bottom -= margin_ + g.cy + spacing_; break;
        }
        return p;
    }
    const int h = CaptionHeightIn(p);
    switch (layout_) {
    case blGlyphLeft: p.Left += -1 + g.cx + spacing_; break;
    case blGlyphRight: p.Right -= -1 + g.cx + spacing_; break;
    case blGlyphTop:
        p.Top += (Height() - g.cy - h - spacing_) / 2 + g.cy;
        p.Bottom = p.Top + h;
        break;
    case blGlyphBottom:
        p.Top += (Height() - g.cy - h - spacing_) / 2;
        p.Bottom = p.Top + h;
        break;
    }
    return p;
}

TRect TVmBitBtn::GlyphArea()
{
    const bool themed = ThemeAware() && VmThemesEnabled();
    TRect g = TVmButton::CaptionArea();
    if (ShowPressed())
        g = themed ? g.Offset(-1, 0) : g.Offset(-1, -1);
    const TSize e = GlyphExtent();
    if (margin_ >= 0) {
        switch (layout_) {
        case blGlyphLeft: g.Left += margin_; break;
        case blGlyphRight: g.Left = g.Right - margin_ - e.cx; break;
        case blGlyphTop: g.Top += margin_; break;
        case blGlyphBottom: g.Top = g.Bottom - margin_ - e.cy; break;
        }
    } else {
        const int h = CaptionHeightIn(g);
        switch (layout_) {
        case blGlyphLeft: break;
        case blGlyphRight: g.Left = g.Right - e.cx; break;
        case blGlyphTop: g.Top = (Height() - e.cy - h - spacing_) / 2; break;
        case blGlyphBottom: g.Top += (Height() - e.cy - h - spacing_) / 2 + h; break;
        }
    }
    if (layout_ == blGlyphLeft || layout_ == blGlyphRight)
        g.Top += (g.Bottom - g.Top - e.cy + 1) / 2;
    else
        g.Left += (g.Right - g.Left - e.cx + 1) / 2;
    g.Right = g.Left + e.cx;
    g.Bottom = g.Top + e.cy;
    if (ShowPressed())
        g = themed ? g.Offset(2, 0) : g.Offset(1, 1);
    return g;
}

void TVmBitBtn::PaintCaption()
{
    TVmButton::PaintCaption();
    const TRect g = GlyphArea();
    if (Kind() == bkCustom && HasImage())
        PaintListImage(g);
    else if (!glyph_.Empty())
        PaintGlyphBitmap(g);
}

void TVmBitBtn::PaintListImage(const TRect& g)
{
    if (!images_)
        return;
    if (disabledIndex_ == -1) {
        if (imageIndex_ != -1)
            images_->Draw(Canvas(), g.Left, g.Top, imageIndex_, Enabled());
    } else if (Enabled()) {
        if (imageIndex_ != -1)
            images_->Draw(Canvas(), g.Left, g.Top, imageIndex_, true);
    } else {
        images_->Draw(Canvas(), g.Left, g.Top, disabledIndex_, true);
    }
}

void TVmBitBtn::PaintGlyphBitmap(const TRect& g)
{
    const int w = g.Width();
    const int h = g.Height();
    if (w <= 0 || h <= 0)
        return;
    TRect source = Rect(0, 0, w, h);
    if (numGlyphs_ > 1 && !Enabled())
        source = Rect(w, 0, 2 * w, h);
    // The glyph's bottom-left pixel names its transparent colour.
    const int sampleRow = std::min(h, glyph_.Height()) - 1;
    const TColor transparent = FromQRgb(glyph_.Image().pixel(0, sampleRow));
    // The glyph is composed over a copy of what lies under it, then copied
    // back in one piece.
    TBitmap work(w, h);
    work.Canvas().CopyRect(Rect(0, 0, w, h), Canvas(), g);
    PaintMaskedBitmap(work.Canvas(), glyph_, Rect(0, 0, w, h), source, transparent);
    Canvas().Draw(g.Left, g.Top, work);
}
