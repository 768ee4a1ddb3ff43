#include "VmPanel.h"

#include "Forms.h"

#include <QApplication>
#include <QFont>

#include <algorithm>

namespace {

TRect InsetSides(TRect r, int n, TSides sides)
{
    if (sides.Contains(sdLeft))
        r.Left += n;
    if (sides.Contains(sdTop))
        r.Top += n;
    if (sides.Contains(sdRight))
        r.Right -= n;
    if (sides.Contains(sdBottom))
        r.Bottom -= n;
    return r;
}

std::vector<TControl*> ChildControls(const QWidget* parent)
{
    std::vector<TControl*> result;
    for (QObject* child : parent->children()) {
        if (auto* control = qobject_cast<TControl*>(child))
            result.push_back(control);
    }
    return result;
}

} // namespace

unsigned AlignmentTextFlag(TAlignment alignment)
{
    switch (alignment) {
    case taLeftJustify: return DT_LEFT;
    case taRightJustify: return DT_RIGHT;
    case taCenter: break;
    }
    return DT_CENTER;
}

TRect PlaceCaptionVertically(TRect r, int h, TAlignmentVertical alignment)
{
    switch (alignment) {
    case avCenter:
        r.Top = (r.Top + r.Bottom - h) >> 1;
        r.Bottom = r.Top + h;
        break;
    case avBottom:
        r.Top = r.Bottom - h - 1;
        break;
    case avTop:
        break;
    }
    return r;
}

// ===========================================================================
// TVmCustomPanel

TVmCustomPanel::TVmCustomPanel(TComponent* owner, QWidget* parent)
    : TCustomPanel(owner, parent)
{
    // The panel paints every pixel itself (frame, fill) and never takes its
    // caption from its name.
    SetControlStyle((ControlStyle() & ~(csSetCaption | csParentBackground)) | csOpaque);
    SetBevelOuter(bvNone);
    SetColor(clBtnFace);
    SetParentColor(false);
}

TVmCustomPanel::~TVmCustomPanel()
{
    if (frameController_)
        frameController_->UnregisterControl(this);
    // Children are destroyed by the control base; forget them first so the
    // saved list never names a dead control.
    enabledStates_.clear();
}

void TVmCustomPanel::SetAlignmentVertical(TAlignmentVertical value)
{
    if (alignmentVertical_ == value)
        return;
    alignmentVertical_ = value;
    Invalidate();
}

void TVmCustomPanel::SetBorderColor(TColor value)
{
    if (borderColor_ == value)
        return;
    borderColor_ = value;
    Invalidate();
}

void TVmCustomPanel::FrameChanged()
{
    Realign();
    Invalidate();
}

void TVmCustomPanel::SetBorderInner(TFrameStyleEx value)
{
    if (borderInner_ == value)
        return;
    borderInner_ = value;
    FrameChanged();
}

void TVmCustomPanel::SetBorderOuter(TFrameStyleEx value)
{
    if (borderOuter_ == value)
        return;
    borderOuter_ = value;
    FrameChanged();
}

void TVmCustomPanel::SetBorderSides(TSides value)
{
    if (borderSides_ == value)
        return;
    borderSides_ = value;
    FrameChanged();
}

void TVmCustomPanel::SetBorderHighlight(TColor value)
{
    if (borderHighlight_ == value)
        return;
    borderHighlight_ = value;
    Invalidate();
}

void TVmCustomPanel::SetBorderShadow(TColor value)
{
    if (borderShadow_ == value)
        return;
    borderShadow_ = value;
    Invalidate();
}

void TVmCustomPanel::SetFlatColor(TColor value)
{
    if (flatColor_ == value)
        return;
    flatColor_ = value;
    Invalidate();
}

void TVmCustomPanel::SetFlatColorAdjustment(int value)
{
    if (flatColorAdjustment_ == value)
        return;
    flatColorAdjustment_ = value;
    Invalidate();
}

void TVmCustomPanel::SetFrameController(TVmFrameController* value)
{
    if (frameController_ == value)
        return;
    if (frameController_) {
        frameController_->UnregisterControl(this);
        RemoveFreeNotification(frameController_);
    }
    frameController_ = value;
    if (frameController_) {
        frameController_->RegisterControl(this);
        FreeNotification(frameController_);
    }
}

void TVmCustomPanel::SetGridColor(TColor value)
{
    if (gridColor_ == value)
        return;
    gridColor_ = value;
    Invalidate();
}

void TVmCustomPanel::SetGridStyle(TVmGridStyle value)
{
    if (gridStyle_ == value)
        return;
    gridStyle_ = value;
    Invalidate();
}

void TVmCustomPanel::SetGridXSize(std::uint16_t value)
{
    if (gridXSize_ == value)
        return;
    gridXSize_ = value;
    Invalidate();
}

void TVmCustomPanel::SetGridYSize(std::uint16_t value)
{
    if (gridYSize_ == value)
        return;
    gridYSize_ = value;
    Invalidate();
}

void TVmCustomPanel::SetShowGrid(bool value)
{
    if (showGrid_ == value)
        return;
    showGrid_ = value;
    Invalidate();
}

void TVmCustomPanel::SetTransparent(bool value)
{
    if (transparent_ == value)
        return;
    transparent_ = value;
    if (value)
        SetControlStyle(ControlStyle() & ~csOpaque);
    else
        SetControlStyle(ControlStyle() | csOpaque);
    Invalidate();
    // The children show the panel's image behind them when they are
    // transparent themselves, so they must paint again too.
    for (TControl* child : ChildControls(this))
        child->Invalidate();
}

void TVmCustomPanel::SetThemeAware(bool value)
{
    if (themeAware_ == value)
        return;
    themeAware_ = value;
    Invalidate();
}

void TVmCustomPanel::SetShowDockClientCaptions(bool value)
{
    if (showDockClientCaptions_ == value)
        return;
    showDockClientCaptions_ = value;
    Invalidate();
}

void TVmCustomPanel::SetDockSite(bool value)
{
    TCustomPanel::SetDockSite(value);
    UpdateDockManager();
}

void TVmCustomPanel::SetUseDockManager(bool value)
{
    TCustomPanel::SetUseDockManager(value);
    UpdateDockManager();
}

void TVmCustomPanel::UpdateDockManager()
{
    const bool wanted = DockSite() && UseDockManager();
    if (wanted && !dockManager_)
        dockManager_ = std::make_unique<TVmPanelDockManager>(this);
    else if (!wanted)
        dockManager_.reset();
    Realign();
    Invalidate();
}

TRect TVmCustomPanel::ShrinkByFrame(TRect r, bool includeBorderWidth) const
{
    if (includeBorderWidth)
        r = r.Inflate(-BorderWidth(), -BorderWidth());
    for (TFrameStyleEx style : {borderOuter_, borderInner_}) {
        switch (style) {
        case fsNone:
            break;
        case fsFlat:
            r = InsetSides(r, 1, borderSides_);
            break;
        case fsStatus:
        case fsPopup:
            r = InsetSides(r, BevelWidth(), borderSides_);
            break;
        default:
            r = InsetSides(r, 2, borderSides_);
            break;
        }
    }
    return r;
}

TRect TVmCustomPanel::GetPaintRect() const
{
    return Rect(0, 0, Width(), Height());
}

TPoint TVmCustomPanel::CursorPosInClient() const
{
    return CursorPos();
}

void TVmCustomPanel::AdjustClientRect(TRect& rect)
{
    TCustomPanel::AdjustClientRect(rect);
    if (DockSite())
        rect = ShrinkByFrame(rect, false);
}

void TVmCustomPanel::AlignControls(TControl* control, TRect& rect)
{
    rect = ShrinkByFrame(rect, false);
    TCustomPanel::AlignControls(control, rect);
}

TColor TVmCustomPanel::ParentBackgroundColor() const
{
    if (const TControl* parent = ParentControl())
        return parent->Color();
    if (const QWidget* parent = Parent())
        return FromQColor(parent->palette().color(parent->backgroundRole()));
    return Color();
}

void TVmCustomPanel::Paint()
{
    PaintPanel();
}

void TVmCustomPanel::PaintPanel()
{
    TCanvas& canvas = Canvas();
    TRect r = GetPaintRect();
    r = PaintPanelFrame(canvas, r, borderOuter_, borderInner_, BorderWidth(), borderSides_, BevelWidth(),
                        borderColor_, borderHighlight_, borderShadow_, flatColor_, flatColorAdjustment_, Color(),
                        ParentBackgroundColor(), transparent_);
    if (!transparent_) {
        canvas.Brush().SetColor(Color());
        canvas.FillRect(r);
    }
    if (showGrid_)
        DrawGridLines(r);
    canvas.Brush().SetStyle(bsClear);
    DrawCaptionText(r);
    canvas.Brush().SetStyle(bsSolid);
    if (dockManager_ && showDockClientCaptions_)
        dockManager_->PaintCaptions(canvas);
    if (OnPaint)
        OnPaint(this);
}

void TVmCustomPanel::DrawCaptionText(TRect r)
{
    if (Caption().isEmpty())
        return;
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font());
    r.Left += 1;
    const unsigned flags = AlignmentTextFlag(Alignment()) | DT_WORDBREAK | DT_EXPANDTABS | DT_VCENTER;
    TRect measure = r;
    r = PlaceCaptionVertically(r, canvas.DrawText(Caption(), measure, flags | DT_CALCRECT), alignmentVertical_);
    canvas.Brush().SetStyle(bsClear);
    if (!Enabled()) {
        canvas.Font().SetColor(clBtnHighlight);
        TRect embossed = r.Offset(1, 1);
        canvas.DrawText(Caption(), embossed, flags);
        canvas.Font().SetColor(clBtnShadow);
    }
    canvas.DrawText(Caption(), r, flags);
}

void TVmCustomPanel::DrawGridLines(TRect r)
{
    TCanvas& canvas = Canvas();
    const int columns = gridXSize_ ? r.Width() / gridXSize_ : 0;
    const int rows = gridYSize_ ? r.Height() / gridYSize_ : 0;
    canvas.Pen().SetColor(gridColor_);
    if (gridStyle_ == gsDots) {
        for (int i = 1; i <= columns; ++i) {
            for (int j = 1; j <= rows; ++j)
                canvas.SetPixels(r.Left - 1 + i * gridXSize_, r.Top - 1 + j * gridYSize_, gridColor_);
        }
        return;
    }
    const bool dotted = gridStyle_ == gsDottedLines;
    for (int i = 1; i <= columns; ++i) {
        const int x = r.Left - 1 + i * gridXSize_;
        if (dotted) {
            for (int y = r.Top + 1; y < r.Bottom; y += 2)
                canvas.SetPixels(x, y, gridColor_);
        } else {
            canvas.MoveTo(x, r.Top);
            canvas.LineTo(x, r.Bottom);
        }
    }
    for (int j = 1; j <= rows; ++j) {
        const int y = r.Top - 1 + j * gridYSize_;
        if (dotted) {
            for (int x = r.Left + 1; x < r.Right; x += 2)
                canvas.SetPixels(x, y, gridColor_);
        } else {
            canvas.MoveTo(r.Left, y);
            canvas.LineTo(r.Right, y);
        }
    }
}

void TVmCustomPanel::EraseBackground(TCanvas& canvas)
{
    if (transparent_)
        PaintParentBackground(this, canvas, true);
    else
        TCustomPanel::EraseBackground(canvas);
}

void TVmCustomPanel::SetBounds(int left, int top, int width, int height)
{
    // A panel docked to the bottom or right grows and shrinks away from
    // that edge, so the edge stays where it is.
    if (Align() == alBottom && height != Height())
        top = Top() + Height() - height;
    else if (Align() == alRight && width != Width())
        left = Left() + Width() - width;
    TCustomPanel::SetBounds(left, top, width, height);
}

void TVmCustomPanel::WMWindowPosChanged(const TRect& oldBounds)
{
    if (FullRepaint() || !Caption().isEmpty()) {
        Invalidate();
    } else {
        // Only the frame moves with the edge; the inside stays valid.
        const TRect f = ShrinkByFrame(Rect(0, 0, Width(), Height()), true);
        if (oldBounds.Width() != Width()) {
            const TRect strip = Rect(f.Right - 1, 0, Width(), Height());
            InvalidateRect(&strip, true);
        }
        if (oldBounds.Height() != Height()) {
            const TRect strip = Rect(0, f.Bottom - 1, Width(), Height());
            InvalidateRect(&strip, true);
        }
    }
    TCustomPanel::WMWindowPosChanged(oldBounds);
}

void TVmCustomPanel::CMEnabledChanged()
{
    TCustomPanel::CMEnabledChanged();
    Repaint();
    const std::vector<TControl*> children = ChildControls(this);
    if (!Enabled()) {
        enabledStates_.clear();
        for (TControl* child : children)
            enabledStates_.emplace_back(child->Enabled() ? QStringLiteral("1") : QStringLiteral("0"), child);
        for (TControl* child : children)
            child->SetEnabled(false);
        return;
    }
    for (TControl* child : children) {
        const auto saved = std::find_if(enabledStates_.begin(), enabledStates_.end(),
                                        [child](const auto& entry) { return entry.second == child; });
        if (saved == enabledStates_.end() || saved->first == QLatin1String("1"))
            child->SetEnabled(true);
    }
}

void TVmCustomPanel::CMMouseEnter()
{
    TCustomPanel::CMMouseEnter();
    if (!Designing() && OnMouseEnter)
        OnMouseEnter(this);
}

void TVmCustomPanel::CMMouseLeave()
{
    TCustomPanel::CMMouseLeave();
    if (!Designing() && OnMouseLeave)
        OnMouseLeave(this);
}

void TVmCustomPanel::Notification(TComponent* component, TOperation operation)
{
    TCustomPanel::Notification(component, operation);
    if (operation == opRemove && component == frameController_)
        frameController_ = nullptr;
}

void TVmCustomPanel::ApplyFrameController()
{
    if (!frameController_ || !frameController_->FrameVisible())
        return;
    SetBorderOuter(frameController_->FrameStyle());
    SetBorderSides(frameController_->FrameSides());
    SetFlatColor(frameController_->FrameColor());
    SetFlatColorAdjustment(0);
    SetColor(frameController_->Color());
    SetParentColor(frameController_->ParentColor());
    SetBorderHighlight(LightenColor(Color(), 100));
    SetBorderShadow(DarkenColor(Color(), 50));
    Invalidate();
}

// ===========================================================================
// TVmCustomGroupBox

TVmCustomGroupBox::TVmCustomGroupBox(TComponent* owner, QWidget* parent)
    : TVmCustomPanel(owner, parent)
{
    SetControlStyle(ControlStyle() | csSetCaption | csDoubleClicks);
    SetBorderOuter(fsNone);
    SetBorderInner(fsNone);
    SetAlignment(taLeftJustify);
    SetAlignmentVertical(avTop);
    SetHeight(105);
}

void TVmCustomGroupBox::SetGroupStyle(TVmGroupBoxStyle value)
{
    if (groupStyle_ == value)
        return;
    groupStyle_ = value;
    if (value == gsCustom || value == gsTopLine)
        SetThemeAware(false);
    // The caption band and the frame width differ between styles, so the
    // aligned children move as well.
    Realign();
    Invalidate();
}

void TVmCustomGroupBox::ApplyFrameController()
{
    if (groupStyle_ == gsCustom)
        TVmCustomPanel::ApplyFrameController();
}

void TVmCustomGroupBox::AdjustClientRect(TRect& rect)
{
    TVmCustomPanel::AdjustClientRect(rect);
    Canvas().SetFont(Font());
    const int t = Canvas().TextHeight(QStringLiteral("Yy"));
    if (groupStyle_ == gsCustom) {
        rect.Top += t;
        rect = rect.Inflate(-2, -2);
        return;
    }
    const int a = t / 2 - 1;
    if (a < BorderWidth())
        rect.Top += a;
    else
        rect.Top += t - BorderWidth();
    const int inset = groupStyle_ == gsStandard ? 2 : 1;
    rect = rect.Inflate(-inset, -inset);
}

TRect TVmCustomGroupBox::CaptionRect()
{
    if (Caption().isEmpty() || groupStyle_ == gsCustom)
        return TRect();
    Canvas().SetFont(Font());
    // The displayed text's extent (an accelerator's '&' takes no room).
    TRect c;
    Canvas().DrawText(Caption(), c, DT_SINGLELINE | DT_LEFT | DT_CALCRECT);
    c = Rect(0, 0, c.Width(), c.Height());
    const int indent = groupStyle_ == gsTopLine ? 0 : 8;
    if (layoutDirection() == Qt::RightToLeft)
        return c.Offset(Width() - indent - c.Width(), 0);
    return c.Offset(indent, 0);
}

void TVmCustomGroupBox::PaintFrameLine(const TRect& r, TColor flat)
{
    TCanvas& canvas = Canvas();
    if (groupStyle_ == gsFlat) {
        PaintRoundedFlatFrame(canvas, r, flat, AllSides);
        return;
    }
    const bool topOnly = groupStyle_ == gsTopLine;
    const TSides sides = topOnly ? TSides(sdTop) : AllSides;
    switch (BorderOuter()) {
    case fsNone:
        PaintFrameStyle(canvas, r, fsGroove, sides);
        break;
    case fsFlat:
    case fsFlatBold:
        if (topOnly) {
            canvas.Pen().SetColor(flat);
            canvas.MoveTo(r.Left + 2, r.Top);
            canvas.LineTo(r.Right - 2, r.Top);
            if (BorderOuter() == fsFlatBold) {
                canvas.MoveTo(r.Left + 2, r.Top + 1);
                canvas.LineTo(r.Right - 2, r.Top + 1);
            }
        } else {
            PaintBevelRings(canvas, r, flat, flat, BorderOuter() == fsFlatBold ? 2 : 1, AllSides);
        }
        break;
    case fsFlatRounded:
        // Not a plain frame style: drawn as the flat frame with cut corners
        // (only its top line for gsTopLine).
        PaintRoundedFlatFrame(canvas, r, flat, sides);
        break;
    default:
        PaintFrameStyle(canvas, r, BorderOuter(), sides);
        break;
    }
}

void TVmCustomGroupBox::Paint()
{
    // Visual styles are never active, so the themed group-box element is
    // not drawn; the plain drawing below is the look.
    static_assert(!VmThemesEnabled());
    if (groupStyle_ == gsCustom) {
        PaintPanel();
        return;
    }
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font());
    const int t = canvas.TextHeight(QStringLiteral("Pp"));
    const int half = t / 2 - 1;
    const TRect c = CaptionRect();
    canvas.SetFont(Font());

    const int saved = canvas.SaveDC();
    if (Transparent()) {
        if (!c.IsEmpty())
            canvas.ExcludeClipRect(c);
    } else {
        canvas.Brush().SetColor(Color());
        canvas.FillRect(Rect(0, 0, Width(), Height()));
    }
    const TRect r = Rect(0, half, Width(), Height());
    PaintFrameLine(r, AdjustLuminance(FlatColor(), FlatColorAdjustment()));

    if (!Caption().isEmpty()) {
        const unsigned flags = DT_SINGLELINE | DT_LEFT;
        if (!Transparent()) {
            // The patch hides the frame line under the caption, exactly as
            // wide as the text.
            canvas.Brush().SetColor(Color());
            canvas.FillRect(c);
        }
        canvas.Brush().SetStyle(bsClear);
        if (!Enabled()) {
            canvas.Font().SetColor(clBtnHighlight);
            TRect embossed = c.Offset(1, 1);
            canvas.DrawText(Caption(), embossed, flags);
            canvas.Font().SetColor(clBtnShadow);
        }
        const TColor textColor = canvas.Font().Color();
        canvas.RestoreDC(saved);
        canvas.Font().SetColor(textColor);
        canvas.Brush().SetStyle(bsClear);
        TRect text = c;
        canvas.DrawText(Caption(), text, flags);
        canvas.Brush().SetStyle(bsSolid);
    } else {
        canvas.RestoreDC(saved);
    }
    if (OnPaint)
        OnPaint(this);
}

bool TVmCustomGroupBox::CMDialogChar(QChar ch, TShiftState shift)
{
    if (IsAccel(ch, Caption()) && CanFocus()) {
        // Children in tab order: Qt's focus chain follows the tab order the
        // controls were given.
        std::vector<QWidget*> ordered;
        for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
            if (w->parentWidget() == this && std::find(ordered.begin(), ordered.end(), w) == ordered.end())
                ordered.push_back(w);
        }
        auto focusable = [](QWidget* w) {
            if (auto* control = qobject_cast<TControl*>(w))
                return control->CanFocus();
            return w->isVisibleTo(w->window()) && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
        };
        auto tabStop = [&](QWidget* w) {
            if (auto* control = qobject_cast<TControl*>(w))
                return control->TabStop() && control->CanFocus();
            return focusable(w) && (w->focusPolicy() & Qt::TabFocus);
        };
        QWidget* target = nullptr;
        for (QWidget* w : ordered) {
            if (tabStop(w)) {
                target = w;
                break;
            }
        }
        if (!target) {
            for (QWidget* w : ordered) {
                if (focusable(w)) {
                    target = w;
                    break;
                }
            }
        }
        if (target) {
            if (TCustomForm* form = GetParentForm(this))
                form->SetActiveControl(target);
            else
                target->setFocus(Qt::ShortcutFocusReason);
        }
        return true;
    }
    return TVmCustomPanel::CMDialogChar(ch, shift);
}

void TVmCustomGroupBox::CMFontChanged()
{
    TVmCustomPanel::CMFontChanged();
    Invalidate();
}

// ===========================================================================
// TVmPanelDockManager

std::vector<TControl*> TVmPanelDockManager::Clients() const
{
    std::vector<TControl*> clients;
    for (TControl* child : ChildControls(site_)) {
        if (child->Visible())
            clients.push_back(child);
    }
    return clients;
}

bool TVmPanelDockManager::VerticalCaptions() const
{
    return site_->Align() == alTop || site_->Align() == alBottom;
}

TRect TVmPanelDockManager::CaptionBarRect(const TControl* client) const
{
    const TRect b = client->BoundsRect();
    if (VerticalCaptions())
        return Rect(b.Left - CaptionBarSize, b.Top, b.Left, b.Bottom);
    return Rect(b.Left, b.Top - CaptionBarSize, b.Right, b.Top);
}

TRect TVmPanelDockManager::CloseButtonRect(const TControl* client) const
{
    const TRect bar = CaptionBarRect(client);
    const int size = CaptionBarSize - 2;
    if (VerticalCaptions())
        return Bounds(bar.Left + 1, bar.Top + 1, size, size);
    return Bounds(bar.Right - 1 - size, bar.Top + 1, size, size);
}

void TVmPanelDockManager::PaintCaptions(TCanvas& canvas) const
{
    for (TControl* client : Clients()) {
        const bool focused = client->hasFocus() || client->isAncestorOf(QApplication::focusWidget());
        const TRect bar = CaptionBarRect(client);
        canvas.Brush().SetColor(focused ? clActiveCaption : clInactiveCaption);
        canvas.FillRect(bar);

        TFont font;
        font.SetName(QStringLiteral("Verdana"));
        font.SetSize(8);
        font.SetColor(focused ? clCaptionText : clInactiveCaptionText);
        canvas.Brush().SetStyle(bsClear);
        const TRect close = CloseButtonRect(client);
        if (VerticalCaptions()) {
            // Reads upward from the bottom of the bar.
            font.SetOrientation(900);
            canvas.SetFont(font);
            canvas.TextOut(bar.Left + 1, bar.Bottom - 2, client->Caption());
        } else {
            canvas.SetFont(font);
            TRect text = Rect(bar.Left + 2, bar.Top, close.Left - 1, bar.Bottom);
            canvas.DrawText(client->Caption(), text, DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX);
        }
        TFont marlett;
        marlett.SetName(QStringLiteral("Marlett"));
        marlett.SetSize(8);
        marlett.SetColor(font.Color());
        canvas.SetFont(marlett);
        TRect glyph = close;
        canvas.DrawText(QStringLiteral("r"), glyph, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
        canvas.Brush().SetStyle(bsSolid);
    }
}

// ===========================================================================
// TVmFrameController

TVmFrameController::TVmFrameController(TComponent* owner)
    : TComponent(owner)
{
}

TVmFrameController::~TVmFrameController()
{
    // Registered panels hear of the destruction through their free
    // notification and drop their reference.
    Destroying();
    controls_.reset();
}

void TVmFrameController::RegisterControl(TControl* control)
{
    if (!control)
        return;
    if (!controls_)
        controls_ = std::make_unique<std::vector<TControl*>>();
    if (std::find(controls_->begin(), controls_->end(), control) != controls_->end())
        return;
    controls_->push_back(control);
    FreeNotification(control);
    PushTo(control, sAll);
}

void TVmFrameController::UnregisterControl(TControl* control)
{
    if (!controls_)
        return;
    auto it = std::find(controls_->begin(), controls_->end(), control);
    if (it == controls_->end())
        return;
    controls_->erase(it);
    if (!Destroying() && !control->Destroying())
        RemoveFreeNotification(control);
    if (controls_->empty())
        controls_.reset();
}

void TVmFrameController::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == regIniFile_)
        regIniFile_ = nullptr;
    if (controls_) {
        auto it = std::find(controls_->begin(), controls_->end(), component);
        if (it != controls_->end()) {
            controls_->erase(it);
            if (controls_->empty())
                controls_.reset();
        }
    }
}

void TVmFrameController::EndUpdate()
{
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0)
        Push(sAll);
}

void TVmFrameController::Loaded()
{
    TComponent::Loaded();
    Push(sAll);
}

void TVmFrameController::Push(Setting setting)
{
    if (updateCount_ > 0 || Loading() || !controls_)
        return;
    // A copy: a control may unregister itself while it applies the settings.
    const std::vector<TControl*> controls = *controls_;
    for (TControl* control : controls)
        PushTo(control, setting);
}

void TVmFrameController::PushTo(TControl* control, Setting setting)
{
    if (auto* notify = dynamic_cast<IVmFrameControllerNotify*>(control)) {
        notify->ApplyFrameController();
        return;
    }
    // Other controls get the like-named properties they have; the control
    // base has the colour pair.
    if ((setting == sAll && !parentColor_) || setting == sColor)
        control->SetColor(color_);
    if (setting == sAll || setting == sParentColor)
        control->SetParentColor(parentColor_);
}

void TVmFrameController::SetColor(TColor value)
{
    if (color_ == value)
        return;
    if (focusColor_ == color_)
        focusColor_ = value;
    color_ = value;
    parentColor_ = false;
    Push(sColor);
}

void TVmFrameController::SetParentColor(bool value)
{
    if (parentColor_ == value)
        return;
    parentColor_ = value;
    Push(sParentColor);
}

void TVmFrameController::SetFlatButtonColor(TColor value)
{
    if (flatButtonColor_ == value)
        return;
    flatButtonColor_ = value;
    Push(sFlatButtonColor);
}

void TVmFrameController::SetFlatButtons(bool value)
{
    if (flatButtons_ == value)
        return;
    flatButtons_ = value;
    Push(sFlatButtons);
}

void TVmFrameController::SetDisabledColor(TColor value)
{
    if (disabledColor_ == value)
        return;
    disabledColor_ = value;
    Push(sDisabledColor);
}

void TVmFrameController::SetFocusColor(TColor value)
{
    if (focusColor_ == value)
        return;
    focusColor_ = value;
    Push(sFocusColor);
}

void TVmFrameController::SetFrameColor(TColor value)
{
    if (frameColor_ == value)
        return;
    frameColor_ = value;
    Push(sFrameColor);
}

void TVmFrameController::SetFrameHotColor(TColor value)
{
    if (frameHotColor_ == value)
        return;
    frameHotColor_ = value;
    Push(sFrameHotColor);
}

void TVmFrameController::SetFrameHotTrack(bool value)
{
    if (frameHotTrack_ == value)
        return;
    frameHotTrack_ = value;
    if (value) {
        SetFrameVisible(true);
        if (!Loading())
            SetFrameSides(AllSides);
    }
    Push(sFrameHotTrack);
}

void TVmFrameController::SetFrameHotStyle(TFrameStyle value)
{
    if (frameHotStyle_ == value)
        return;
    frameHotStyle_ = value;
    Push(sFrameHotStyle);
}

void TVmFrameController::SetFrameSides(TSides value)
{
    if (frameSides_ == value)
        return;
    frameSides_ = value;
    Push(sFrameSides);
}

void TVmFrameController::SetFrameStyle(TFrameStyle value)
{
    if (frameStyle_ == value)
        return;
    frameStyle_ = value;
    Push(sFrameStyle);
}

void TVmFrameController::SetFrameVisible(bool value)
{
    if (frameVisible_ == value)
        return;
    frameVisible_ = value;
    Push(sFrameVisible);
}

void TVmFrameController::SetFramingPreference(TFramingPreference value)
{
    if (framingPreference_ == value)
        return;
    framingPreference_ = value;
    Push(sFramingPreference);
}

void TVmFrameController::SetRegIniFile(TVmRegIniFile* value)
{
    if (regIniFile_ == value)
        return;
    if (regIniFile_)
        RemoveFreeNotification(regIniFile_);
    regIniFile_ = value;
    if (regIniFile_)
        FreeNotification(regIniFile_);
}

void TVmFrameController::ReadFrameFlat(bool value)
{
    if (!value)
        return;
    SetFrameHotTrack(true);
    SetFrameStyle(fsStatus);
    SetFrameHotStyle(fsLowered);
}

void TVmFrameController::ReadFrameFocusStyle(const QString& styleName)
{
    static const char* const names[] = {"fsNone", "fsFlat", "fsGroove", "fsBump", "fsLowered", "fsButtonDown",
                                        "fsRaised", "fsButtonUp", "fsStatus", "fsPopup", "fsFlatBold"};
    for (int i = 0; i < int(std::size(names)); ++i) {
        if (styleName.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0) {
            SetFrameHotStyle(static_cast<TFrameStyle>(i));
            return;
        }
    }
}
