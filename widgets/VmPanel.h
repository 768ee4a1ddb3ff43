#pragma once
// Panels of the widget set.
//
// TVmPanel is a container that draws its own frame: an outer and an inner
// frame style with an optional solid border band between them, an optional
// grid, and a word-wrapped caption placed horizontally and vertically. It can
// be transparent (its parent's image shows through) and it disables its
// children as a group, restoring each child's own state afterwards.
//
// TVmGroupBox is the same panel with a caption band at the top and a simpler
// choice of frames (GroupStyle); by default a one-pixel flat frame with cut
// corners with the caption sitting on the frame line.
//
// TVmFrameController carries frame settings shared by several controls.
#include "Controls.h"
#include "VmCommon.h"
#include "VmGrafx.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

enum TAlignmentVertical { avTop, avCenter, avBottom };

// The program ships without a visual-styles manifest, so the platform's
// themed drawing is never active: the widgets' own drawing is the only one.
constexpr bool VmThemesEnabled() { return false; }
// The DT_* flag of a horizontal alignment.
unsigned AlignmentTextFlag(TAlignment alignment);
// r narrowed to a caption h pixels high: centred (halving downward, so a
// caption taller than r stays centred on it), at the bottom ending one pixel
// above r's bottom, or at the top (r unchanged).
TRect PlaceCaptionVertically(TRect r, int h, TAlignmentVertical alignment);
enum TVmGridStyle { gsDots, gsDottedLines, gsSolidLines };
enum TVmGroupBoxStyle { gsStandard, gsCustom, gsTopLine, gsFlat };

class TVmFrameController;
class TVmPanelDockManager;

// Implemented by controls that take a frame controller's settings
// themselves instead of having them written into like-named properties.
class IVmFrameControllerNotify {
public:
    virtual ~IVmFrameControllerNotify() = default;
    virtual void ApplyFrameController() = 0;
};

// ---------------------------------------------------------------------------
class TVmCustomPanel : public TCustomPanel, public IVmFrameControllerNotify {
    Q_OBJECT
public:
    explicit TVmCustomPanel(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TVmCustomPanel() override;

    TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
    virtual void SetAlignmentVertical(TAlignmentVertical value);
    TColor BorderColor() const { return borderColor_; }
    virtual void SetBorderColor(TColor value);
    TFrameStyleEx BorderInner() const { return borderInner_; }
    virtual void SetBorderInner(TFrameStyleEx value);
    TFrameStyleEx BorderOuter() const { return borderOuter_; }
    virtual void SetBorderOuter(TFrameStyleEx value);
    TSides BorderSides() const { return borderSides_; }
    virtual void SetBorderSides(TSides value);
    TColor BorderHighlight() const { return borderHighlight_; }
    virtual void SetBorderHighlight(TColor value);
    TColor BorderShadow() const { return borderShadow_; }
    virtual void SetBorderShadow(TColor value);
    TColor FlatColor() const { return flatColor_; }
    virtual void SetFlatColor(TColor value);
    int FlatColorAdjustment() const { return flatColorAdjustment_; }
    virtual void SetFlatColorAdjustment(int value);
    TVmFrameController* FrameController() const { return frameController_; }
    virtual void SetFrameController(TVmFrameController* value);
    TColor GridColor() const { return gridColor_; }
    virtual void SetGridColor(TColor value);
    TVmGridStyle GridStyle() const { return gridStyle_; }
    virtual void SetGridStyle(TVmGridStyle value);
    std::uint16_t GridXSize() const { return gridXSize_; }
    virtual void SetGridXSize(std::uint16_t value);
    std::uint16_t GridYSize() const { return gridYSize_; }
    virtual void SetGridYSize(std::uint16_t value);
    bool ShowGrid() const { return showGrid_; }
    virtual void SetShowGrid(bool value);
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);
    bool ThemeAware() const { return themeAware_; }
    virtual void SetThemeAware(bool value);
    bool ShowDockClientCaptions() const { return showDockClientCaptions_; }
    void SetShowDockClientCaptions(bool value);

    // Docking: a panel that is a dock site and uses the dock manager gets a
    // TVmPanelDockManager, which draws caption bars over its docked clients.
    void SetDockSite(bool value);
    void SetUseDockManager(bool value);
    TVmPanelDockManager* DockManager() const { return dockManager_.get(); }

    // Older layouts stored a set of framed sides under this name; it is read
    // and dropped (BorderSides replaced it).
    void ReadFrameSides(TSides) {}

    // The rectangle r less the frames (and the border band when asked).
    virtual TRect ShrinkByFrame(TRect r, bool includeBorderWidth) const;
    // What Paint covers: (0, 0, Width, Height).
    virtual TRect GetPaintRect() const;
    // The mouse position in client coordinates.
    virtual TPoint CursorPosInClient() const;

    void ApplyFrameController() override;
    void SetBounds(int left, int top, int width, int height) override;
    void CMEnabledChanged() override;
    void CMMouseEnter() override;
    void CMMouseLeave() override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnPaint;

protected:
    virtual void DrawCaptionText(TRect r);
    virtual void DrawGridLines(TRect r);
    // Frame, border band, fill, grid and caption, then OnPaint.
    void PaintPanel();

    void Paint() override;
    void EraseBackground(TCanvas& canvas) override;
    void AdjustClientRect(TRect& rect) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void WMWindowPosChanged(const TRect& oldBounds) override;
    void Notification(TComponent* component, TOperation operation) override;

    // The colour behind the panel (for the rounded frame's outer ring).
    TColor ParentBackgroundColor() const;
    // Realign the children and repaint: after a change of the frame's width.
    void FrameChanged();

private:
    void UpdateDockManager();

    TAlignmentVertical alignmentVertical_ = avCenter;
    TFrameStyleEx borderInner_ = fsNone;
    TFrameStyleEx borderOuter_ = fsRaised;
    TSides borderSides_ = AllSides;
    TColor borderColor_ = clBtnFace;
    TColor borderHighlight_ = clBtnHighlight;
    TColor borderShadow_ = clBtnShadow;
    TColor flatColor_ = clBtnShadow;
    int flatColorAdjustment_ = 30;
    TColor gridColor_ = clBtnShadow;
    TVmGridStyle gridStyle_ = gsDots;
    std::uint16_t gridXSize_ = 8;
    std::uint16_t gridYSize_ = 8;
    bool showGrid_ = false;
    bool transparent_ = false;
    bool showDockClientCaptions_ = true;
    // The children's own enabled flags, saved while the panel is disabled.
    std::vector<std::pair<QString, QPointer<TControl>>> enabledStates_;
    bool themeAware_ = true;
    TVmFrameController* frameController_ = nullptr;
    std::unique_ptr<TVmPanelDockManager> dockManager_;
};

class TVmPanel : public TVmCustomPanel {
    Q_OBJECT
public:
    explicit TVmPanel(TComponent* owner = nullptr, QWidget* parent = nullptr) : TVmCustomPanel(owner, parent) {}
};

// ---------------------------------------------------------------------------
class TVmCustomGroupBox : public TVmCustomPanel {
    Q_OBJECT
public:
    explicit TVmCustomGroupBox(TComponent* owner = nullptr, QWidget* parent = nullptr);

    TVmGroupBoxStyle GroupStyle() const { return groupStyle_; }
    virtual void SetGroupStyle(TVmGroupBoxStyle value);

    // Where the caption goes: the caption's extent, 8 pixels in from the
    // left (from the right for right-to-left) except for gsTopLine; empty
    // without a caption and for gsCustom.
    TRect CaptionRect();

    void ApplyFrameController() override;
    bool CMDialogChar(QChar ch, TShiftState shift) override;
    void CMFontChanged() override;

protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) override;

private:
    void PaintFrameLine(const TRect& r, TColor flat);

    TVmGroupBoxStyle groupStyle_ = gsFlat;
};

class TVmGroupBox : public TVmCustomGroupBox {
    Q_OBJECT
public:
    explicit TVmGroupBox(TComponent* owner = nullptr, QWidget* parent = nullptr)
        : TVmCustomGroupBox(owner, parent) {}
};

// ---------------------------------------------------------------------------
// The caption bars of a docking panel's clients: 14 pixels across the top of
// each client, or down its left side (caption turned by 90 degrees) when the
// panel is aligned to the top or bottom.
class TVmPanelDockManager {
public:
    static constexpr int CaptionBarSize = 14;

    explicit TVmPanelDockManager(TVmCustomPanel* site) : site_(site) {}

    // The docked clients: the site's visible child controls.
    std::vector<TControl*> Clients() const;
    bool VerticalCaptions() const;
    // The caption bar beside a client's bounds (site coordinates).
    TRect CaptionBarRect(const TControl* client) const;
    // The close glyph's square at the far end of the bar.
    TRect CloseButtonRect(const TControl* client) const;
    // Draws every client's caption bar on the site's canvas.
    void PaintCaptions(TCanvas& canvas) const;

private:
    TVmCustomPanel* site_;
};

// ---------------------------------------------------------------------------
// Where settings would be stored. Nothing in the program reads or writes
// through it; a frame controller may refer to one.
enum TVmRegIniPathType { ptIniFile, ptRegistry };
enum TVmRegKey { hkeyClassesRoot, hkeyCurrentUser, hkeyLocalMachine, hkeyUsers, hkeyCurrentConfig };
enum TVmRegAccess { keyAllAccess, keyRead, keyWrite };

class TVmRegIniFile : public TComponent {
public:
    explicit TVmRegIniFile(TComponent* owner = nullptr) : TComponent(owner) {}

    TVmRegIniPathType PathType() const { return pathType_; }
    void SetPathType(TVmRegIniPathType value) { pathType_ = value; }
    TVmRegKey RegKey() const { return regKey_; }
    void SetRegKey(TVmRegKey value) { regKey_ = value; }
    TVmRegAccess RegAccess() const { return regAccess_; }
    void SetRegAccess(TVmRegAccess value) { regAccess_ = value; }
    const QString& Path() const { return path_; }
    void SetPath(const QString& value) { path_ = value; }

private:
    TVmRegIniPathType pathType_ = ptIniFile;
    TVmRegKey regKey_ = hkeyCurrentUser;
    TVmRegAccess regAccess_ = keyAllAccess;
    QString path_;
};

// ---------------------------------------------------------------------------
enum TFramingPreference { fpCustomFraming, fpXPThemes };

class TVmFrameController : public TComponent {
public:
    explicit TVmFrameController(TComponent* owner = nullptr);
    ~TVmFrameController() override;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TColor FlatButtonColor() const { return flatButtonColor_; }
    void SetFlatButtonColor(TColor value);
    bool FlatButtons() const { return flatButtons_; }
    void SetFlatButtons(bool value);
    TColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(TColor value);
    TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(TColor value);
    TColor FrameColor() const { return frameColor_; }
    void SetFrameColor(TColor value);
    TColor FrameHotColor() const { return frameHotColor_; }
    void SetFrameHotColor(TColor value);
    bool FrameHotTrack() const { return frameHotTrack_; }
    void SetFrameHotTrack(bool value);
    TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
    void SetFrameHotStyle(TFrameStyle value);
    TSides FrameSides() const { return frameSides_; }
    void SetFrameSides(TSides value);
    TFrameStyle FrameStyle() const { return frameStyle_; }
    void SetFrameStyle(TFrameStyle value);
    bool FrameVisible() const { return frameVisible_; }
    void SetFrameVisible(bool value);
    TFramingPreference FramingPreference() const { return framingPreference_; }
    void SetFramingPreference(TFramingPreference value);
    TVmRegIniFile* RegIniFile() const { return regIniFile_; }
    void SetRegIniFile(TVmRegIniFile* value);

    // Older layouts: "FrameFlat" True stood for hot-tracked status frames;
    // "FrameFocusStyle" named the hot style; "FrameFlatStyle" is dropped.
    void ReadFrameFlat(bool value);
    void ReadFrameFocusStyle(const QString& styleName);
    void ReadFrameFlatStyle(const QString&) {}

    // A registered control receives every setting now and every change later.
    void RegisterControl(TControl* control);
    void UnregisterControl(TControl* control);
    int ControlCount() const { return controls_ ? static_cast<int>(controls_->size()) : 0; }

    // Nothing is pushed while an update is open; the outermost EndUpdate
    // pushes everything.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    enum Setting {
        sColor, sParentColor, sFlatButtonColor, sFlatButtons, sDisabledColor, sFocusColor, sFrameColor,
        sFrameHotColor, sFrameHotTrack, sFrameHotStyle, sFrameSides, sFrameStyle, sFrameVisible,
        sFramingPreference, sAll
    };
    void Push(Setting setting);
    void PushTo(TControl* control, Setting setting);

    TColor color_ = clWindow;
    bool parentColor_ = false;
    TColor flatButtonColor_ = clBtnFace;
    bool flatButtons_ = true;
    TColor disabledColor_ = clBtnFace;
    TColor focusColor_ = clWindow;
    TColor frameColor_ = clBtnShadow;
    TColor frameHotColor_ = clBtnShadow;
    bool frameHotTrack_ = false;
    TFrameStyle frameHotStyle_ = fsFlatBold;
    TSides frameSides_ = AllSides;
    TFrameStyle frameStyle_ = fsFlat;
    bool frameVisible_ = false;
    TFramingPreference framingPreference_ = fpXPThemes;
    TVmRegIniFile* regIniFile_ = nullptr;
    std::unique_ptr<std::vector<TControl*>> controls_;
    int updateCount_ = 0;
};
