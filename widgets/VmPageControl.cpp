#include "VmPageControl.h"

#include "Exception.h"
#include "Forms.h"

#include <QEvent>
#include <QRegularExpression>

#include <algorithm>

namespace {

// The first widget inside `container` that takes the focus by Tab, in the
// window's tab order.
QWidget* FirstFocusable(QWidget* container)
{
    QWidget* window = container->window();
    for (QWidget* w = container->nextInFocusChain(); w && w != container; w = w->nextInFocusChain()) {
        if (!container->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window))
            return w;
    }
    return nullptr;
}

bool Inside(const QWidget* container, const QWidget* w)
{
    return w && (w == container || container->isAncestorOf(w));
}

// A docked control's caption as a tab shows it: up to the first line break.
QString FirstLine(const QString& caption)
{
    const qsizetype cut = caption.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return cut < 0 ? caption : caption.left(cut);
}

} // namespace

// ---------------------------------------------------------------------------
// TVmTabSheet

TVmTabSheet::TVmTabSheet(TComponent* owner) : TCustomControl(owner, nullptr)
{
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque | csNoDesignVisible);
    // The page control alone shows a page, when it becomes the active one.
    TControl::SetVisible(false);
    SetAlign(alClient);
    TControl::SetColor(clBtnFace);
}

TVmTabSheet::~TVmTabSheet()
{
    if (pageControl_)
        pageControl_->RemovePage(this);
}

void TVmTabSheet::Changed()
{
    if (pageControl_)
        pageControl_->RequestLayout();
}

void TVmTabSheet::SetColor(TColor value)
{
    TVmPageControl* pc = pageControl_;
    if (!pc) {
        TControl::SetColor(value);
        return;
    }
    // One page in a colour of its own turns the whole control to coloured
    // tabs; a page given the control's colour back just takes it.
    if (!pc->UseColoredTabs() && value != pc->TControl::Color())
        pc->SetUseColoredTabs(true);
    if (pc->UseColoredTabs() || (value == pc->TControl::Color() && Color() != pc->TControl::Color())) {
        TControl::SetColor(value);
        Changed();
    }
}

void TVmTabSheet::SetDisabledIndex(int value)
{
    if (disabledIndex_ == value)
        return;
    disabledIndex_ = value;
    Changed();
}

void TVmTabSheet::SetImageIndex(int value)
{
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    Changed();
}

void TVmTabSheet::SetPageControl(TVmPageControl* value)
{
    if (pageControl_ == value)
        return;
    if (pageControl_)
        pageControl_->RemovePage(this);
    SetParent(value);
    if (value)
        value->InsertPage(this);
}

int TVmTabSheet::PageIndex() const
{
    if (!pageControl_)
        return -1;
    const auto& pages = pageControl_->pages_;
    const auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : int(it - pages.begin());
}

void TVmTabSheet::SetPageIndex(int value)
{
    if (!pageControl_)
        return;
    const int last = pageControl_->PageCount() - 1;
    if (value > last)
        throw Exception(QStringLiteral("%1 is an invalid PageIndex value. PageIndex must be between 0 and %2")
                            .arg(value)
                            .arg(last));
    if (value < 0)
        throw EListError(value);
    pageControl_->MovePage(this, value);
}

void TVmTabSheet::SetTabEnabled(bool value)
{
    if (tabEnabled_ == value)
        return;
    tabEnabled_ = value;
    Changed();
}

int TVmTabSheet::GetTabIndex() const
{
    if (!tabVisible_ || !pageControl_)
        return -1;
    int k = 0;
    for (const TVmTabSheet* p : pageControl_->pages_) {
        if (p == this)
            return k;
        if (p->tabVisible_)
            ++k;
    }
    return -1;
}

void TVmTabSheet::SetTabVisible(bool value)
{
    if (tabVisible_ == value)
        return;
    tabVisible_ = value;
    Changed();
}

void TVmTabSheet::SetVisible(bool)
{
    throw Exception(QStringLiteral("You cannot change the Visible property of a page"));
}

void TVmTabSheet::AssignTo(TVmTabData& dest) const
{
    dest.Caption = Caption();
    dest.Color = Color();
    dest.Enabled = tabEnabled_;
    dest.Visible = tabVisible_;
    dest.Hint = Hint();
    dest.ImageIndex = imageIndex_;
    dest.DisabledIndex = disabledIndex_;
}

void TVmTabSheet::Paint()
{
    TCanvas& canvas = Canvas();
    const TRect r = Rect(0, 0, Width(), Height());
    bool handled = false;
    if (OnPaintBackground)
        OnPaintBackground(this, canvas, r, handled);
    if (!handled) {
        canvas.Brush().SetColor(Color());
        canvas.FillRect(r);
    }
}

void TVmTabSheet::EraseBackground(TCanvas&) {}

void TVmTabSheet::CMTextChanged()
{
    TCustomControl::CMTextChanged();
    Changed();
}

// ---------------------------------------------------------------------------
// TVmPageControl

TVmPageControl::TVmPageControl(TComponent* owner, QWidget* parent) : TVmCustomTabControl(owner, parent)
{
    // Only pages are inserted, and the control paints every pixel.
    SetControlStyle((ControlStyle() & ~TControlStyle(csAcceptsControls)) | csOpaque);
    SetHeight(150);
    SetUseColoredTabs(false);
}

TVmPageControl::~TVmPageControl()
{
    // Pages destroyed after this point must not call back.
    for (TVmTabSheet* page : pages_)
        page->pageControl_ = nullptr;
    pages_.clear();
    // The docked controls go with their pages after this body has run.
    for (auto& entry : dockedPages_)
        ForgetDockedControl(entry.second);
    dockedPages_.clear();
    activePage_ = nullptr;
    activePageDefault_ = nullptr;
}

// ---- pages ----

void TVmPageControl::InsertPage(TVmTabSheet* page)
{
    pages_.push_back(page);
    page->pageControl_ = this;
    RequestLayout();
}

void TVmPageControl::RemovePage(TVmTabSheet* page)
{
    if (page == activePage_)
        SetActivePage(nullptr);
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    if (page == activePageDefault_)
        activePageDefault_ = nullptr;
    for (auto it = dockedPages_.begin(); it != dockedPages_.end(); ++it) {
        if (it->first == page) {
            ForgetDockedControl(it->second);
            dockedPages_.erase(it);
            break;
        }
    }
    RequestLayout();
    page->pageControl_ = nullptr;
}

void TVmPageControl::MovePage(TVmTabSheet* page, int index)
{
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    pages_.insert(pages_.begin() + index, page);
    RequestLayout();
}

TVmTabSheet* TVmPageControl::PageForTab(int index) const
{
    if (index < 0)
        return nullptr;
    for (TVmTabSheet* page : pages_)
        if (page->GetTabIndex() == index)
            return page;
    return nullptr;
}

void TVmPageControl::HideAllTabs()
{
    for (TVmTabSheet* page : std::vector<TVmTabSheet*>(pages_))
        page->SetTabVisible(false);
}

void TVmPageControl::ShowAllTabs()
{
    for (TVmTabSheet* page : std::vector<TVmTabSheet*>(pages_))
        page->SetTabVisible(true);
}

TVmTabSheet* TVmPageControl::FindNextPage(TVmTabSheet* current, bool forward, bool onlyTabVisible) const
{
    const int n = int(pages_.size());
    if (n == 0)
        return nullptr;
    const auto it = std::find(pages_.begin(), pages_.end(), current);
    const int start = it != pages_.end() ? int(it - pages_.begin()) : forward ? n - 1 : 0;
    int i = start;
    do {
        i = forward ? (i + 1) % n : (i + n - 1) % n;
        if (!onlyTabVisible || pages_[size_t(i)]->TabVisible())
            return pages_[size_t(i)];
    } while (i != start);
    return nullptr;
}

void TVmPageControl::SelectNextPage(bool forward)
{
    if (TVmTabSheet* page = FindNextPage(activePage_, forward, true))
        SetActivePage(page);
}

// ---- the active page ----

void TVmPageControl::SetActivePage(TVmTabSheet* page)
{
    if (page && page->PageControl() != this)
        return;
    if (Loading()) {
        activePage_ = page;
        return;
    }
    const int k = page ? page->GetTabIndex() : -1;
    if (k < 0)
        ChangeActivePage(page);
    else if (k == TabIndex() && page != activePage_)
        ChangeActivePage(page);   // the tab is selected already; only the page lags
    SetTabIndex(k);
}

int TVmPageControl::ActivePageIndex() const
{
    return activePage_ ? activePage_->PageIndex() : -1;
}

void TVmPageControl::SetActivePageIndex(int index)
{
    if (index < 0 || index >= PageCount())
        throw EListError(index);
    SetActivePage(pages_[size_t(index)]);
}

void TVmPageControl::ChangeActivePage(TVmTabSheet* page)
{
    if (page == activePage_)
        return;
    TCustomForm* form = GetParentForm(this);
    // The focus leaves a page about to be hidden by way of the page itself,
    // so that it can follow into the new page rather than fall elsewhere.
    if (form && activePage_ && Inside(activePage_, form->ActiveControl()))
        form->SetActiveControl(activePage_);
    if (page) {
        page->raise();
        page->SetShown(true);
        if (form && activePage_ && form->ActiveControl() == activePage_)
            form->SetActiveControl(page->CanFocus() ? static_cast<QWidget*>(page) : this);
    }
    if (activePage_) {
        activePage_->SetShown(false);
        if (saveResources_ && !Designing())
            ReleasePageWindow(activePage_);
    }
    activePage_ = page;
    if (form && page && form->ActiveControl() == page) {
        if (QWidget* first = FirstFocusable(page))
            form->SetActiveControl(first);
    }
}

void TVmPageControl::SetSaveResources(bool value)
{
    if (saveResources_ == value)
        return;
    saveResources_ = value;
    if (value && !Designing())
        for (TVmTabSheet* page : pages_)
            if (page != activePage_)
                ReleasePageWindow(page);
}

void TVmPageControl::ReleasePageWindow(TVmTabSheet* page)
{
    // Pages are drawn into their parent's window unless something asked
    // for a native one; only such a window can be given back (Qt makes it
    // again when the page is shown).
    if (!page->isHidden())
        return;
    page->ReleaseImage();
    if (page->internalWinId() != 0)
        page->destroy(true, true);
}

void TVmPageControl::ShowControl(QWidget* control)
{
    auto* page = qobject_cast<TVmTabSheet*>(control);
    if (page && page->PageControl() == this)
        SetActivePage(page);
    // A page control on a page of another one brings that page forward too.
    if (auto* holder = qobject_cast<TVmTabSheet*>(Parent()))
        if (TVmPageControl* outer = holder->PageControl())
            outer->ShowControl(holder);
    if (!Visible())
        SetVisible(true);
}

// ---- overrides of the tab control ----

void TVmPageControl::Changing(int NewIndex, bool& AllowChange)
{
    if (!loadingPages_)
        TVmCustomTabControl::Changing(NewIndex, AllowChange);
    if (AllowChange)
        ChangeActivePage(PageForTab(NewIndex));
}

void TVmPageControl::Change()
{
    if (!loadingPages_)
        TVmCustomTabControl::Change();
}

void TVmPageControl::RequestLayout()
{
    TVmTabDataList& tabs = Tabs();
    tabs.Clear();
    for (const TVmTabSheet* page : pages_)
        if (page->TabVisible())
            tabs.Add()->Assign(*page);
    if (activePage_) {
        if (!activePage_->TabVisible())
            SetTabIndex(-1);
        else if (activePage_->GetTabIndex() != TabIndex())
            SetTabIndex(activePage_->GetTabIndex());
    }
    TVmCustomTabControl::RequestLayout();
}

void TVmPageControl::CloseActiveTab()
{
    if (!activePage_)
        return;
    const int k = TabIndex();
    // Destroying the page takes it out of the list and leaves no page
    // active and no tab selected, without events; the neighbour is then
    // selected like a click.
    delete activePage_;
    SetTabIndex(k > 0 ? k - 1 : k);
}

void TVmPageControl::MoveActiveTab(int NewIndex)
{
    if (activePage_)
        activePage_->SetPageIndex(NewIndex);
}

void TVmPageControl::RaisePaintCardBackground(TCanvas& ACanvas, int ARow, const TRect& ARect, bool& Handled)
{
    TVmCustomTabControl::RaisePaintCardBackground(ACanvas, ARow, ARect, Handled);
    if (!Handled && ARow == 0 && TabIndex() >= 0 && activePage_) {
        ACanvas.Brush().SetColor(activePage_->Color());
        ACanvas.FillRect(ARect);
        Handled = true;
    }
}

void TVmPageControl::SetUseColoredTabs(bool value)
{
    const bool was = UseColoredTabs();
    TVmCustomTabControl::SetUseColoredTabs(value);
    // Back to plain tabs: every page takes the control's colour again.
    if (was && !value && Parent())
        CMColorChanged();
}

void TVmPageControl::CMColorChanged()
{
    if (!UseColoredTabs())
        for (TVmTabSheet* page : pages_)
            page->SetColor(TControl::Color());
    TVmCustomTabControl::CMColorChanged();
}

bool TVmPageControl::CMDialogKey(TKey key, TShiftState shift)
{
    if (TVmCustomTabControl::CMDialogKey(key, shift))
        return true;
    if (key != Qt::Key_Tab || !(shift & ssCtrl))
        return false;
    TCustomForm* form = GetParentForm(this);
    if (!form || !Inside(this, form->ActiveControl()))
        return false;
    SelectNextPage(!(shift & ssShift));
    return true;
}

void TVmPageControl::Loaded()
{
    // No change event may run while the window is being read, also not from
    // the tab control's own after-loading step.
    loadingPages_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{loadingPages_};

    TVmTabSheet* const stored = activePage_;
    TVmCustomTabControl::Loaded();
    CalculateLayout();
    SetTabIndex(-1);
    TVmTabSheet* chosen = stored;
    if (activePageDefault_ && activePageDefault_ != stored) {
        if (stored)
            stored->SetShown(false);
        chosen = activePageDefault_;
    }
    SetActivePage(nullptr);
    RequestLayout();
    SetActivePage(chosen);
}

// ---- docking ----

TVmTabSheet* TVmPageControl::DockedPage(const QWidget* control) const
{
    for (const auto& entry : dockedPages_)
        if (entry.second == control)
            return entry.first;
    return nullptr;
}

TControl* TVmPageControl::DockedControlOf(const TVmTabSheet* page) const
{
    for (const auto& entry : dockedPages_)
        if (entry.first == page)
            return entry.second;
    return nullptr;
}

void TVmPageControl::ForgetDockedControl(TControl* control)
{
    if (!control)
        return;
    control->removeEventFilter(this);
    disconnect(control, &QObject::destroyed, this, nullptr);
    if (control->HostDockSite() == this)
        control->SetHostDockSite(nullptr);
}

TVmTabSheet* TVmPageControl::DockControl(TControl* control)
{
    return control ? DockShown(control, control->Visible()) : nullptr;
}

TVmTabSheet* TVmPageControl::DockShown(TControl* control, bool visible)
{
    // A control holding this page control would become its own ancestor.
    if (!dockSite_ || !control || DockedPage(control) || control == this || control->isAncestorOf(this))
        return nullptr;
    auto* page = new TVmTabSheet(this);
    try {
        page->SetPageControl(this);
        if (auto* form = qobject_cast<TCustomForm*>(control))
            page->SetCaption(FirstLine(form->Caption()));
        // A floating window shown before keeps showing once docked, though
        // taking it into the page hides its old top-level window.
        control->SetParent(page);
        if (visible && !control->Visible())
            control->SetVisible(true);
        control->SetAlign(alClient);
        dockedPages_.emplace_back(page, control);
        control->installEventFilter(this);
        control->SetHostDockSite(this);
        // A docked control freed by someone else leaves an empty page
        // behind, which goes too. The page is freed from the event loop:
        // the control is still being destroyed inside it.
        connect(control, &QObject::destroyed, this, [this, page] {
            for (auto it = dockedPages_.begin(); it != dockedPages_.end(); ++it) {
                if (it->first == page) {
                    dockedPages_.erase(it);
                    page->deleteLater();
                    break;
                }
            }
        });
        page->SetTabVisible(control->Visible());
        if (control->Visible())
            SetActivePage(page);
    } catch (...) {
        for (auto it = dockedPages_.begin(); it != dockedPages_.end(); ++it) {
            if (it->first == page) {
                dockedPages_.erase(it);
                break;
            }
        }
        ForgetDockedControl(control);
        if (control->Parent() == page)
            control->SetParent(nullptr);
        delete page;
        throw;
    }
    return page;
}

void TVmPageControl::UndockControl(TControl* control, QWidget* newParent)
{
    TVmTabSheet* page = DockedPage(control);
    if (!page)
        return;
    ForgetDockedControl(control);
    dockedPages_.erase(std::find_if(dockedPages_.begin(), dockedPages_.end(),
                                    [page](const auto& entry) { return entry.first == page; }));
    control->SetAlign(alNone);
    if (page == activePage_) {
        TVmTabSheet* next = FindNextPage(page, true, true);
        SetActivePage(next != page ? next : nullptr);
    }
    control->SetParent(newParent);
    delete page;
}

TRect TVmPageControl::DockDropRect() const
{
    const TPoint origin = ClientToScreen(Point(0, 0));
    return Bounds(origin.X, origin.Y, Width(), Height());
}

bool TVmPageControl::GetSiteInfo(TControl* client, TPoint, TRect& influenceRect)
{
    if (!dockSite_ || !client || DockedPage(client) || client == this || client->isAncestorOf(this))
        return false;
    influenceRect = DockDropRect();
    return true;
}

bool TVmPageControl::DockDrop(TControl* client, TPoint screenPos)
{
    TRect rect;
    if (!GetSiteInfo(client, screenPos, rect))
        return false;
    // Leaving its old site hides the control on the way; it arrives as
    // shown as it was there.
    const bool visible = client->Visible();
    if (TControl* host = client->HostDockSite())
        host->UndockControl(client, nullptr);
    return DockShown(client, visible) != nullptr;
}

void TVmPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TVmCustomTabControl::MouseDown(button, shift, x, y);
    // The second press of a double click has just floated the control.
    if (button != mbLeft || (shift & ssDouble) || (!Enabled() && !Designing()))
        return;
    const int tab = TabAtPos(x, y);
    if (tab < 0 || !Tabs()[tab]->Enabled)
        return;
    if (TControl* control = DockedControlOf(PageForTab(tab)))
        control->BeginDrag(false);
}

void TVmPageControl::DblClick()
{
    TVmCustomTabControl::DblClick();
    const TPoint p = CursorPos();
    const int tab = TabAtPos(p.X, p.Y);
    if (TControl* control = DockedControlOf(PageForTab(tab))) {
        TRect bounds = control->FloatingBounds();
        if (bounds.IsEmpty()) {
            const TPoint origin = control->ClientToScreen(Point(0, 0));
            bounds = Bounds(origin.X, origin.Y, control->Width(), control->Height());
        }
        const bool maximized = control->FloatingMaximized();
        control->ManualFloat(bounds);
        if (maximized && control->isVisible())
            control->showMaximized();
    }
}

TRect TVmPageControl::WindowDockZone()
{
    if (LayoutPending())
        UpdateLayout();
    const TRect row = TabAreaRect();
    const TPoint origin = ClientToScreen(Point(row.Left, row.Top));
    return Bounds(origin.X, origin.Y, row.Width(), row.Height());
}

bool TVmPageControl::eventFilter(QObject* watched, QEvent* e)
{
    if (auto* control = qobject_cast<TControl*>(watched)) {
        if (TVmTabSheet* page = DockedPage(control)) {
            switch (e->type()) {
            case QEvent::WindowTitleChange:
                page->SetCaption(FirstLine(control->Caption()));
                break;
            case QEvent::ShowToParent:
            case QEvent::HideToParent:
                page->SetTabVisible(control->Visible());
                break;
            default:
                break;
            }
        }
    }
    return TVmCustomTabControl::eventFilter(watched, e);
}
