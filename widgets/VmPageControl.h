#pragma once
// The page control: a tab control whose tabs select child pages. It keeps
// its pages in order, derives the tab list from them, shows exactly one of
// them (the active page) in the display rectangle, and moves the keyboard
// focus along when the active page changes.
#include "Controls.h"
#include "VmTabs.h"

#include <QPointer>

#include <vector>

class TVmPageControl;

// One page: a container for controls, with the look of its tab.
class TVmTabSheet : public TCustomControl, public TVmTabDataSource {
    Q_OBJECT
public:
    explicit TVmTabSheet(TComponent* owner = nullptr);
    ~TVmTabSheet() override;

    // The page's background; also its tab's colour while the page control
    // uses coloured tabs. Setting a colour other than the page control's
    // switches coloured tabs on for the whole control.
    virtual void SetColor(TColor value);
    int DisabledIndex() const { return disabledIndex_; }
    virtual void SetDisabledIndex(int value);
    int ImageIndex() const { return imageIndex_; }
    virtual void SetImageIndex(int value);
    TVmPageControl* PageControl() const { return pageControl_; }
    virtual void SetPageControl(TVmPageControl* value);
    // Position in the page control's pages; -1 without page control.
    virtual int PageIndex() const;
    virtual void SetPageIndex(int value);
    bool TabEnabled() const { return tabEnabled_; }
    virtual void SetTabEnabled(bool value);
    // -1 while the tab is hidden; else the number of tab-visible pages before it.
    virtual int GetTabIndex() const;
    bool TabVisible() const { return tabVisible_; }
    virtual void SetTabVisible(bool value);
    // Whether the page is shown. Only the page control shows and hides its
    // pages; setting this raises "You cannot change the Visible property of
    // a page".
    bool Visible() const override { return TControl::Visible(); }
    void SetVisible(bool value) override;

    void AssignTo(TVmTabData& dest) const override;

    TVmPaintBackgroundEvent OnPaintBackground;

protected:
    void Paint() override;
    // The page paints every pixel itself.
    void EraseBackground(TCanvas& canvas) override;
    void CMTextChanged() override;

private:
    friend class TVmPageControl;
    // What the page control uses to show and hide its pages.
    void SetShown(bool value) { TControl::SetVisible(value); }
    void Changed();

    TVmPageControl* pageControl_ = nullptr;
    int imageIndex_ = -1;
    int disabledIndex_ = -1;
    bool tabEnabled_ = true;
    bool tabVisible_ = true;
};

class TVmPageControl : public TVmCustomTabControl {
    Q_OBJECT
public:
    explicit TVmPageControl(TComponent* owner = nullptr, QWidget* parent = nullptr);
    ~TVmPageControl() override;

    TVmTabSheet* ActivePage() const { return activePage_; }
    virtual void SetActivePage(TVmTabSheet* page);
    // The page to show after loading, when set.
    TVmTabSheet* ActivePageDefault() const { return activePageDefault_; }
    void SetActivePageDefault(TVmTabSheet* page) { activePageDefault_ = page; }
    // -1 without an active page.
    virtual int ActivePageIndex() const;
    // Activates Pages(index); an index outside the list raises EListError.
    virtual void SetActivePageIndex(int index);
    // While on, only the active page keeps its native window.
    bool SaveResources() const { return saveResources_; }
    virtual void SetSaveResources(bool value);

    virtual int PageCount() const { return int(pages_.size()); }
    virtual TVmTabSheet* Pages(int index) const { return pages_.at(size_t(index)); }
    virtual void HideAllTabs();
    virtual void ShowAllTabs();
    // The first page whose tab is tab `index`; nullptr for none.
    TVmTabSheet* PageForTab(int index) const;
    // The page after (or before) `current`, wrapping round; with
    // `onlyTabVisible` pages without a tab are passed over.
    TVmTabSheet* FindNextPage(TVmTabSheet* current, bool forward, bool onlyTabVisible) const;
    void SelectNextPage(bool forward);
    // True while the after-loading step runs; no change events then.
    bool LoadingPages() const { return loadingPages_; }

    // A child asked to be shown: a page becomes the active page.
    void ShowControl(QWidget* control);

    // ---- docking ----
    bool DockSite() const { return dockSite_; }
    void SetDockSite(bool value) { dockSite_ = value; }
    // Puts `control` on a new page of its own, filling it; a form's caption
    // becomes the page's caption. Returns the page (nullptr when this is not
    // a dock site, the control is docked here already or holds this control).
    TVmTabSheet* DockControl(TControl* control);
    // Takes a docked control off its page and gives it `newParent` (none:
    // it becomes a window of its own), shows the next page with a tab and
    // frees the emptied page.
    void UndockControl(TControl* control, QWidget* newParent = nullptr) override;
    // The page holding a docked control, or nullptr.
    TVmTabSheet* DockedPage(const QWidget* control) const;
    // Where a docked control may be dropped: the whole window, in screen
    // coordinates.
    TRect DockDropRect() const;
    // What a docking drag asks of a site: a dock site offers its whole
    // window to any control not docked here yet; a drop takes the control
    // from wherever it was docked and docks it here.
    bool IsDockSite() const override { return dockSite_; }
    bool GetSiteInfo(TControl* client, TPoint screenPos, TRect& influenceRect) override;
    bool DockDrop(TControl* client, TPoint screenPos) override;
    // A floating window dragged by its title bar docks on the tab row only,
    // so that one moved across the pages on its way stays floating.
    TRect WindowDockZone() override;

    // ---- overrides of the tab control ----
    void Changing(int NewIndex, bool& AllowChange) override;
    void RequestLayout() override;
    void Change() override;
    void CloseActiveTab() override;
    void MoveActiveTab(int NewIndex) override;
    void RaisePaintCardBackground(TCanvas& ACanvas, int ARow, const TRect& ARect, bool& Handled) override;
    void SetUseColoredTabs(bool value) override;
    bool CMDialogKey(TKey key, TShiftState shift) override;
    void Loaded() override;

protected:
    void CMColorChanged() override;
    // Double-clicking the tab of a docked control makes it float: where it
    // was the last time it floated, else where it is on the page.
    void DblClick() override;
    // Pressing the left button on the tab of a docked control, once the tab
    // is selected, arms a drag of that control.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class TVmTabSheet;
    void InsertPage(TVmTabSheet* page);
    void RemovePage(TVmTabSheet* page);
    void MovePage(TVmTabSheet* page, int index);
    void ChangeActivePage(TVmTabSheet* page);
    void ReleasePageWindow(TVmTabSheet* page);
    TControl* DockedControlOf(const TVmTabSheet* page) const;
    // DockControl for a control that is to show (or not) once docked.
    TVmTabSheet* DockShown(TControl* control, bool visible);
    // Stops watching a control that leaves its page.
    void ForgetDockedControl(TControl* control);

    std::vector<TVmTabSheet*> pages_;   // not owned
    TVmTabSheet* activePage_ = nullptr;
    TVmTabSheet* activePageDefault_ = nullptr;
    bool saveResources_ = false;
    bool loadingPages_ = false;
    bool dockSite_ = false;
    // Pages made for docked controls, with the control on each.
    std::vector<std::pair<TVmTabSheet*, QPointer<TControl>>> dockedPages_;
};
