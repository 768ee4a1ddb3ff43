#include "Unitravik.h"

#include "Application.h"
#include "BusyCursor.h"
#include "CodePane.h"
#include "Exception.h"
#include "FindReplace.h"
#include "Formatting.h"
#include "HotAreaCode.h"
#include "HotAreaDialog.h"
#include "LivePatch.h"
#include "LiveRefresh.h"
#include "PageComposer.h"
#include "PictureFetch.h"
#include "PlainText.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PublishChecker.h"
#include "ScrollBar.h"
#include "Shell.h"
#include "Startup.h"
#include "UserSettings.h"

#include <QAction>
#include <QButtonGroup>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace {
// The customer's screen width the preview lays pages out at (0: the view's).
constexpr const char* kScreenWidthKey = "preview/screenWidth";
// How the hot-area editor last wrote its areas: "map" or "links".
constexpr const char* kHotAreaOutputKey = "hotAreas/output";

// A failing handler shows its message the way the application's default
// handler does, and the window goes on. Catching here keeps the exception
// from unwinding through Qt's own event code.
template <class Handler>
void RunHandler(Handler&& handler)
{
    try {
        handler();
    } catch (const Exception& e) {
        TApplication::ShowException(e.Message());
    } catch (const std::exception& e) {
        TApplication::ShowException(QString::fromUtf8(e.what()));
    }
}

// A user's command: on ten megabytes of code formatting or a preview takes
// seconds, so the wait cursor shows while it runs.
template <class Handler>
void Run(Handler&& handler)
{
    const TBusyCursor busy;
    RunHandler(handler);
}

QFont PixelFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

template <class T>
T* Named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    if constexpr (std::is_base_of_v<TComponent, T>)
        object->SetName(QLatin1String(name));
    return object;
}

QPushButton* MakeHiddenButton(QWidget* parent, const char* name, int left, const QString& caption)
{
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setGeometry(left, 3, 80, 30);
    // Covered by the page control but still in the tab order: a focused
    // button answers Enter as well as Space.
    button->setAutoDefault(true);
    return button;
}

QPlainTextEdit* MakeTemplateBox(QWidget* parent, const char* name, int left, int top, const QString& text)
{
    auto* box = Named(new QPlainTextEdit(parent), name);
    box->setGeometry(left, top, 185, 89);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setReadOnly(true);   // no command edits the templates
    if (QTextDocument* prepared = TakePreparedDocument(text)) {
        prepared->setParent(box);
        prepared->setDefaultFont(box->font());
        box->setDocument(prepared);
    } else {
        box->setPlainText(text);
    }
    return box;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, int top, const QString& caption)
{
    auto* radio = Named(new QRadioButton(caption, parent), name);
    radio->setGeometry(11, top, 65, 17);
    radio->setFont(PixelFont(QStringLiteral("新宋体"), 12));
    return radio;
}

TVmGroupBox* MakeGroupBox(TComponent* owner, QWidget* parent, const char* name, const QString& caption,
                          const TRect& bounds)
{
    auto* box = Named(new TVmGroupBox(owner, parent), name);
    box->SetCaption(caption);
    box->SetBoundsRect(bounds);
    return box;
}

// A hot-tracking push button showing only its caption; without a height of
// its own it keeps the class's.
template <class Button>
Button* MakeHotButton(TComponent* owner, QWidget* parent, const char* name, const QString& caption, int left,
                      int top, int width = -1, int height = -1)
{
    auto* button = Named(new Button(owner, parent), name);
    button->SetCaption(caption);
    button->SetHotTrack(true);
    button->SetBounds(left, top, width < 0 ? button->Width() : width, height < 0 ? button->Height() : height);
    return button;
}

TVmTabSheet* MakePage(TComponent* owner, TVmPageControl* pageControl, const char* name, const QString& caption)
{
    auto* page = Named(new TVmTabSheet(owner), name);
    page->SetPageControl(pageControl);
    page->SetCaption(caption);
    return page;
}

QAction* MakeMenuItem(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}
}

Tfrmravik::Tfrmravik(TComponent* owner) : TForm(owner)
{
    // Everything below is the stored layout: properties first, then one
    // Loaded() pass over the window and its controls in creation order.
    // Until that pass the page controls raise no events, so no preview runs
    // while the window is being built.
    BeginLoading();
    Named(this, "frmravik");
    SetCaption(QStringLiteral("【Velmaro】淘宝代码编辑器V3.0，天猫、集市店、 基础版代码预览器"));
    // A single border with system menu, minimise and maximise boxes.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    SetBorderStyle(bsSingle);
    SetColor(clBtnFace);
    // Plain Qt children (labels, radio buttons) draw on the same face.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(palette);
    // Assigned whole, so the window's Qt font follows even where the values
    // equal the toolkit's defaults.
    TFont font;
    font.SetName(QStringLiteral("Tahoma"));
    font.SetHeight(-11);
    SetFont(font);
    SetShowHint(true);
    int left = 0, top = 0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        left = desktop.x() + (desktop.width() - 1116) / 2;
        top = desktop.y() + (desktop.height() - 591) / 2;
    }
    SetBounds(left, top, 1116, 591);

    CreateControls();
    WireEvents();
    EndLoading();
}

Tfrmravik::~Tfrmravik()
{
    // The controls go one by one after this; a page control losing its
    // pages on the way must not start a preview in a browser already gone.
    vmpgcntrl1->OnChange = nullptr;
    liveRefresh_->SetActive(false);
    // Its thread may be writing through the cache page's writer, a member
    // that goes before the window's children.
    delete std::exchange(livePatch_, nullptr);
    frmPreview->removeEventFilter(this);
}

void Tfrmravik::CreateControls()
{
    btn1 = MakeHiddenButton(this, "btn1", 588, QStringLiteral("网页预览"));
    btn4 = MakeHiddenButton(this, "btn4", 680, QStringLiteral("本地预览"));
    btn3 = MakeHiddenButton(this, "btn3", 771, QStringLiteral("清空"));
    btn2 = MakeHiddenButton(this, "btn2", 863, QStringLiteral("另存"));

    pnl1 = Named(new QFrame(this), "pnl1");
    pnl1->setGeometry(392, 312, 569, 313);
    const TPageTemplate& professional = PageTemplate(TShopVersion::Professional);
    const TPageTemplate& tmall = PageTemplate(TShopVersion::Tmall);
    const TPageTemplate& basic = PageTemplate(TShopVersion::Basic);
    mmo2 = MakeTemplateBox(pnl1, "mmo2", -152, 8, professional.Head);
    mmo3 = MakeTemplateBox(pnl1, "mmo3", -152, 104, professional.Tail);
    mmo4 = MakeTemplateBox(pnl1, "mmo4", -152, 200, QString());
    mmo5 = MakeTemplateBox(pnl1, "mmo5", -64, 8, tmall.Head);
    mmo6 = MakeTemplateBox(pnl1, "mmo6", -64, 104, tmall.Tail);
    mmo7 = MakeTemplateBox(pnl1, "mmo7", -64, 200, basic.Head);
    mmo8 = MakeTemplateBox(pnl1, "mmo8", -96, 296, basic.Tail);

    // The side bar: a groove round it, 87 pixels wide at the left whatever
    // the window's size.
    vmpnl1 = Named(new TVmPanel(this, this), "vmpnl1");
    vmpnl1->SetAlign(alLeft);
    vmpnl1->SetBorderOuter(fsGroove);
    vmpnl1->SetBounds(0, 0, 87, 591);

    vmgrpbx1 = MakeGroupBox(this, vmpnl1, "vmgrpbx1", QStringLiteral("版本选择"), Bounds(2, 20, 80, 119));
    vmgrpbx1->SetAlign(alCustom);
    rb1 = MakeRadio(vmgrpbx1, "rb1", 33, QStringLiteral("基础版"));
    rb3 = MakeRadio(vmgrpbx1, "rb3", 60, QStringLiteral("专业版"));
    rb2 = MakeRadio(vmgrpbx1, "rb2", 88, QStringLiteral("天猫"));
    rb3->setChecked(true);
    // Exactly one version is checked at any time.
    versionGroup_ = new QButtonGroup(this);
    versionGroup_->setExclusive(true);
    versionGroup_->addButton(rb1);
    versionGroup_->addButton(rb3);
    versionGroup_->addButton(rb2);

    vmgrpbx2 = MakeGroupBox(this, vmpnl1, "vmgrpbx2", QStringLiteral("其他"), Bounds(2, 274, 80, 87));
    vmgrpbx2->SetAlign(alCustom);
    lbl1 = Named(new QLabel(QStringLiteral("帮助"), vmgrpbx2), "lbl1");
    lbl1->setFont(PixelFont(QStringLiteral("Tahoma"), 11));
    QPalette blue = lbl1->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lbl1->setPalette(blue);
    lbl1->setCursor(Qt::WhatsThisCursor);
    lbl1->move(11, 64);
    lbl1->adjustSize();
    vmbtbtn1 = MakeHotButton<TVmBitBtn>(this, vmgrpbx2, "vmbtbtn1", QStringLiteral("查找替换"), 8, 29, 65);

    vmgrpbx3 = MakeGroupBox(this, vmpnl1, "vmgrpbx3", QStringLiteral("格式化"), Bounds(3, 152, 80, 113));
    vmbtbtn6 = MakeHotButton<TVmBitBtn>(this, vmgrpbx3, "vmbtbtn6", QStringLiteral("格式阅读"), 8, 60, 65, 43);
    vmbtbtn2 = MakeHotButton<TVmBitBtn>(this, vmgrpbx3, "vmbtbtn2", QStringLiteral("字体设置"), 8, 28, 65);

    // The main page control: the code page and the live preview, cut-corner
    // tabs in money green; it takes whatever the side bar leaves.
    vmpgcntrl1 = Named(new TVmPageControl(this, this), "vmpgcntrl1");
    vmpgcntrl1->SetAlign(alClient);
    vmpgcntrl1->SetTabStyle(tsCutCorner);
    vmpgcntrl1->SetCutCornerSize(10);
    vmpgcntrl1->SetFlatColor(clMoneyGreen);
    vmpgcntrl1->SetHotTrackColor(clMoneyGreen);
    vmpgcntrl1->SetTabHeight(25);
    vmpgcntrl1->SetFixedDimension(25);
    vmpgcntrl1->SetDockSite(true);
    vmtbshtTabSheet1 = MakePage(this, vmpgcntrl1, "vmtbshtTabSheet1", QStringLiteral("  自定义代码  "));
    redt1 = Named(new TCodePane(vmtbshtTabSheet1), "redt1");
    SetCodePaneFont(*redt1, PixelFont(QStringLiteral("宋体"), 16));
    QPalette text = redt1->palette();
    text.setColor(QPalette::Text, QColor(0, 0, 0));   // clWindowText
    redt1->setPalette(text);
    redt1->setFrameStyle(QFrame::Box | QFrame::Plain);   // flat
    // Frame and viewport cover the pane: saying so spares painting the page
    // under it, an off-screen image of the page's size, at every show.
    redt1->setAttribute(Qt::WA_OpaquePaintEvent);
    redt1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    redt1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    redt1->setLineWrapMode(QTextEdit::WidgetWidth);
    // The pane holds code: pasted mark-up goes in as text, not as formatting.
    redt1->setAcceptRichText(false);
    SetWidgetAlign(redt1, alClient);
    // The live preview is a form docked on the second page, so that it can
    // be torn off beside the code and docked back; the page takes its
    // caption. Docked hidden and then shown, it makes no page active.
    frmPreview = Named(new TForm(this), "frmPreview");
    frmPreview->SetCaption(QStringLiteral("实时预览"));
    // Closing the main window ends the program even while the preview floats.
    frmPreview->setAttribute(Qt::WA_QuitOnClose, false);
    wb1 = Named(new TPreviewBrowser(frmPreview), "wb1");
    SetWidgetAlign(wb1, alClient);
    wb1->SetScreenWidth(UserSettings().value(QLatin1String(kScreenWidthKey)).toInt());
    publishCheck_ = new TPublishChecker(this);
    vmpgcntrl1->DockControl(frmPreview);
    frmPreview->SetVisible(true);
    liveRefresh_ = new TLiveRefresh([this] { RefreshFloatingPreview(); }, this);
    livePatch_ = new TLivePatcher(
        *wb1, cacheWriter_, [this](const QString& code, TShopVersion version) { ReloadFloatingPreview(code, version); },
        this);
    wb1->SetShowNotBefore([this] { return liveRefresh_->ShowAt(); });
    PreviewMoved();
    vmpgcntrl1->SetTabIndex(0);
    vmpgcntrl1->SetActivePage(vmtbshtTabSheet1);

    // The find panel: one page with a close button; hidden when the window
    // shows, brought back by "查找替换".
    vmpgcntrl2 = Named(new TVmPageControl(this, this), "vmpgcntrl2");
    vmpgcntrl2->SetBounds(720, 96, 385, 145);
    vmpgcntrl2->SetShowCloseButton(true);
    vmpgcntrl2->SetTabHeight(20);
    vmpgcntrl2->SetFixedDimension(20);
    vmtbshtTabSheet3 = MakePage(this, vmpgcntrl2, "vmtbshtTabSheet3", QStringLiteral("查找替换"));
    lbl2 = Named(new QLabel(QStringLiteral("查找内容："), vmtbshtTabSheet3), "lbl2");
    lbl2->move(24, 38);
    lbl2->adjustSize();
    edt1 = Named(new QLineEdit(vmtbshtTabSheet3), "edt1");
    edt1->setGeometry(88, 34, 189, 21);
    btn5 = MakeHotButton<TVmButton>(this, vmtbshtTabSheet3, "btn5", QStringLiteral("查找"), 286, 32);
    lbl3 = Named(new QLabel(QStringLiteral("替换内容："), vmtbshtTabSheet3), "lbl3");
    lbl3->move(24, 78);
    lbl3->adjustSize();
    edt2 = Named(new QLineEdit(vmtbshtTabSheet3), "edt2");
    edt2->setGeometry(88, 74, 189, 21);
    btn6 = MakeHotButton<TVmButton>(this, vmtbshtTabSheet3, "btn6", QStringLiteral("全部替换"), 286, 72);
    vmpgcntrl2->SetTabIndex(0);
    vmpgcntrl2->SetActivePage(vmtbshtTabSheet3);

    dlgSave1 = CodeSaveRequest();

    pm1 = Named(new QMenu(this), "pm1");
    N1 = MakeMenuItem(pm1, "N1", QStringLiteral("粘贴"));
    N3 = MakeMenuItem(pm1, "N3", QStringLiteral("复制"));
    N2 = MakeMenuItem(pm1, "N2", QStringLiteral("全选"));
    N9 = MakeMenuItem(pm1, "N9", QStringLiteral("-"));
    N8 = MakeMenuItem(pm1, "N8", QStringLiteral("反色背景"));
    N6 = MakeMenuItem(pm1, "N6", QStringLiteral("-"));
    N4 = MakeMenuItem(pm1, "N4", QStringLiteral("另存为"));
    N7 = MakeMenuItem(pm1, "N7", QStringLiteral("-"));
    N5 = MakeMenuItem(pm1, "N5", QStringLiteral("清空"));
}

void Tfrmravik::WireEvents()
{
    OnShow = [this](TObject*) { Run([&] { FormShow(this); }); };

    const auto click = [this](QPushButton* button, void (Tfrmravik::*handler)(QObject*)) {
        connect(button, &QPushButton::clicked, this, [this, button, handler] { Run([&] { (this->*handler)(button); }); });
    };
    click(btn1, &Tfrmravik::btn1Click);
    click(btn4, &Tfrmravik::btn4Click);
    click(btn3, &Tfrmravik::btn3Click);
    click(btn2, &Tfrmravik::btn2Click);

    const auto controlClick = [this](TControl* control, void (Tfrmravik::*handler)(QObject*)) {
        control->OnClick = [this, control, handler](TObject*) { Run([&] { (this->*handler)(control); }); };
    };
    controlClick(vmbtbtn1, &Tfrmravik::vmbtbtn1Click);
    controlClick(vmbtbtn2, &Tfrmravik::vmbtbtn2Click);
    controlClick(vmbtbtn6, &Tfrmravik::vmbtbtn6Click);
    controlClick(btn5, &Tfrmravik::btn5Click);
    controlClick(btn6, &Tfrmravik::btn6Click);

    const auto menuClick = [this](QAction* item, void (Tfrmravik::*handler)(QObject*)) {
        connect(item, &QAction::triggered, this, [this, item, handler] { Run([&] { (this->*handler)(item); }); });
    };
    menuClick(N1, &Tfrmravik::N1Click);
    menuClick(N3, &Tfrmravik::N3Click);
    menuClick(N2, &Tfrmravik::N2Click);
    menuClick(N8, &Tfrmravik::N8Click);
    menuClick(N4, &Tfrmravik::N4Click);
    menuClick(N5, &Tfrmravik::N5Click);

    vmpgcntrl1->OnChange = [this](TObject*) { Run([&] { vmpgcntrl1Change(vmpgcntrl1); }); };
    vmpgcntrl2->OnClose = [this](TObject*, bool& allow) { Run([&] { vmpgcntrl2Close(vmpgcntrl2, allow); }); };

    connect(wb1, &TPreviewBrowser::ScreenWidthChosen, this,
            [](int width) { UserSettings().setValue(QLatin1String(kScreenWidthKey), width); });
    wb1->SetContextMenuExtender([this](QMenu& menu, const QVariant& hit) {
        if (!TPictureHit::FromVariant(hit))
            return;
        QAction* item = menu.addAction(QStringLiteral("编辑热区..."));
        item->setObjectName(QStringLiteral("editHotAreas"));
        connect(item, &QAction::triggered, this, [this, hit] { Run([&] { wb1EditHotAreas(wb1, hit); }); });
    });
    connect(publishCheck_, &TPublishChecker::Finished, this,
            [this](const QJsonObject& report) { wb1->Bridge().SetFindings(report); });
    connect(&wb1->Bridge(), &TPreviewBridge::FindingChosen, this,
            [this](qsizetype from, qsizetype to) { Run([&] { wb1FindingChosen(wb1, from, to); }); });

    connect(livePatch_, &TLivePatcher::Written, this, [this](const QString& error) {
        if (error.isEmpty())
            liveRefreshFailed_ = false;
        else
            LiveRefreshFailed(error);
    });
    connect(redt1, &QTextEdit::textChanged, this, [this] { RunHandler([&] { redt1Change(redt1); }); });
    connect(redt1, &QTextEdit::textChanged, liveRefresh_, &TLiveRefresh::Changed);
    connect(versionGroup_, &QButtonGroup::buttonToggled, liveRefresh_, [this](QAbstractButton*, bool checked) {
        if (checked)
            liveRefresh_->Soon();
    });
    frmPreview->OnClose = [this](TObject*, TCloseAction& action) {
        RunHandler([&] { frmPreviewClose(frmPreview, action); });
    };
    frmPreview->installEventFilter(this);
    // Without a window manager a window has no close box: the keyboard
    // closes the floating preview too.
    auto* closePreview = new QAction(frmPreview);
    closePreview->setShortcut(QKeySequence::Close);
    closePreview->setShortcutContext(Qt::WindowShortcut);
    connect(closePreview, &QAction::triggered, this, [this] {
        if (frmPreview->isWindow())
            frmPreview->Close();
    });
    frmPreview->addAction(closePreview);
    redt1->installEventFilter(this);
    redt1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(redt1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pm1->popup(redt1->viewport()->mapToGlobal(pos)); });
    lbl1->installEventFilter(this);
}

bool Tfrmravik::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == redt1 && event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        int key = keyEvent->key();
        if (keyEvent->matches(QKeySequence::Paste))
            liveRefresh_->Soon();
        RunHandler([&] { redt1KeyDown(redt1, key, keyEvent->modifiers()); });
        if (key == 0)
            return true;   // a handler that clears the key consumes it
    }
    if (watched == frmPreview && event->type() == QEvent::ParentChange && !Destroying())
        PreviewMoved();
    if (watched == lbl1 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lbl1->rect().contains(mouse->position().toPoint()))
            Run([&] { lbl1Click(lbl1); });
    }
    return TForm::eventFilter(watched, event);
}

TShopVersion Tfrmravik::ShopVersion() const
{
    if (rb3->isChecked())
        return TShopVersion::Professional;
    if (rb2->isChecked())
        return TShopVersion::Tmall;
    return TShopVersion::Basic;
}

void Tfrmravik::ComposeAndWrite()
{
    ComposeAndWrite(CodePaneText(*redt1->document()), ShopVersion());
}

void Tfrmravik::ComposeAndWrite(const QString& code, TShopVersion version)
{
    const QString page = ComposePage(PageTemplate(version), code);
    // Filling the page buffer builds a document of its own, half a second
    // for ten megabytes, and every switch back to the code composes the
    // page once more, mostly the same page.
    if (page != bufferedPage_) {
        mmo4->setPlainText(page);
        bufferedPage_ = page;
    }
    QList<TEncodingLoss> losses;
    cacheWriter_.Write(EncodePage(page, &losses));
    const qsizetype codeBegin = PageTemplate(version).Head.size();
    wb1->Bridge().SetPageNotes(EncodingNotes(losses, page, codeBegin, codeBegin + code.size()));
}

void Tfrmravik::LocalPreview()
{
    const QString code = CodePaneText(*redt1->document());
    ComposeAndWrite(code, ShopVersion());
    StartPublishCheck(code);
    Load(code, ShopVersion());
}

void Tfrmravik::StartPublishCheck(const QString& code)
{
    const TPageTemplate& page = PageTemplate(ShopVersion());
    checkedCode_ = code;
    checkedVersion_ = ShopVersion();
    wb1->Bridge().ClearFindings();
    publishCheck_->Start({page.Head, code, page.Tail, ShopVersionName(ShopVersion())});
}

void Tfrmravik::Load(const QString& code, TShopVersion version)
{
    livePatch_->Loading(code);
    wb1->Navigate(CachePagePath(), version);
}

void Tfrmravik::WebPreview()
{
    ComposeAndWrite();
    TShell::Instance().OpenDocument(CachePagePath());
}

void Tfrmravik::PreviewMoved()
{
    vmtbshtTabSheet2 = qobject_cast<TVmTabSheet*>(frmPreview->Parent());
    if (vmtbshtTabSheet2)
        Named(vmtbshtTabSheet2, "vmtbshtTabSheet2");
    liveRefresh_->SetActive(!frmPreview->Parent());
    previewHasFloated_ |= !frmPreview->Parent();
}

void Tfrmravik::WMWindowPosChanged(const TRect& oldBounds)
{
    TForm::WMWindowPosChanged(oldBounds);
    if (!Loading())
        PlaceFloatingPreview();
}

// The first time it floats, the preview opens beside the window at the
// size of its page, moved in as far as the screen needs. From then on it
// floats where the user last had it.
void Tfrmravik::PlaceFloatingPreview()
{
    if (previewHasFloated_)
        return;
    const QRect screen = this->screen()->availableGeometry();
    // The pages are laid out at the first paint, which has not come yet.
    if (vmpgcntrl1->LayoutPending())
        vmpgcntrl1->UpdateLayout();
    const TRect page = vmpgcntrl1->DisplayRect();
    const QSize size = QSize(page.Width(), page.Height()).boundedTo(screen.size());
    const QRect window = geometry();
    const int left = std::max(screen.left(), std::min(frameGeometry().right() + 1, screen.right() + 1 - size.width()));
    const int top = std::max(screen.top(), std::min(window.top(), screen.bottom() + 1 - size.height()));
    frmPreview->SetFloatingBounds(Bounds(left, top, size.width(), size.height()));
}

// The check runs beside the refresh, whether the page is patched or loaded:
// its findings are for this code either way.
void Tfrmravik::RefreshFloatingPreview()
{
    RunHandler([&] {
        const QString code = CodePaneText(*redt1->document());
        StartPublishCheck(code);
        livePatch_->Refresh(code, ShopVersion(), liveRefresh_->LoadAt());
    });
}

void Tfrmravik::ReloadFloatingPreview(const QString& code, TShopVersion version)
{
    try {
        ComposeAndWrite(code, version);
        Load(code, version);
        liveRefreshFailed_ = false;
    } catch (const std::exception& e) {
        LiveRefreshFailed(QString::fromUtf8(e.what()));
    }
}

void Tfrmravik::LiveRefreshFailed(const QString& message)
{
    if (!liveRefreshFailed_)
        TApplication::ShowException(message);
    liveRefreshFailed_ = true;
}

// ---- handlers -------------------------------------------------------------

void Tfrmravik::FormShow(QObject*)
{
    vmpgcntrl2->SetVisible(false);
    PlaceFloatingPreview();
}

void Tfrmravik::btn1Click(QObject*) { WebPreview(); }

void Tfrmravik::btn4Click(QObject*) { LocalPreview(); }

void Tfrmravik::vmpgcntrl1Change(QObject*) { LocalPreview(); }

void Tfrmravik::btn3Click(QObject*) { ClearCodePane(*redt1); }

void Tfrmravik::N5Click(QObject*) { ClearCodePane(*redt1); }

void Tfrmravik::btn2Click(QObject*) { SaveCodePaneAs(*redt1, dlgSave1); }

void Tfrmravik::N4Click(QObject*) { SaveCodePaneAs(*redt1, dlgSave1); }

void Tfrmravik::N1Click(QObject*)
{
    PasteIntoCodePane(*redt1);
    liveRefresh_->Soon();
}

void Tfrmravik::N3Click(QObject*) { CopyFromCodePane(*redt1); }

void Tfrmravik::N2Click(QObject*) { SelectAllAndCopy(*redt1); }

void Tfrmravik::N8Click(QObject*) { SelectAllInCodePane(*redt1); }

void Tfrmravik::lbl1Click(QObject*) { ShowHelp(this); }

void Tfrmravik::vmbtbtn2Click(QObject*) { dlgFont1.Execute(*redt1); }

void Tfrmravik::redt1Change(QObject*) { UpdateCodePaneScrollBar(*redt1); }

// The space key is left to the pane afterwards (Key stays as it is).
void Tfrmravik::redt1KeyDown(QObject*, int& Key, Qt::KeyboardModifiers) { CodePaneKeyDown(*redt1, Key); }

void Tfrmravik::vmbtbtn1Click(QObject*) { vmpgcntrl2->Show(); }

void Tfrmravik::btn5Click(QObject*) { FindInCodePane(*redt1, edt1->text()); }

void Tfrmravik::btn6Click(QObject*)
{
    ReplaceAllInCodePane(*redt1, edt1->text(), edt2->text());
    liveRefresh_->Soon();
}

// The panel keeps its page (AllowClose stays false) and its two texts; only
// the whole control goes out of sight until "查找替换" brings it back.
void Tfrmravik::vmpgcntrl2Close(QObject*, bool&) { vmpgcntrl2->SetVisible(false); }

void Tfrmravik::vmbtbtn6Click(QObject*)
{
    FormatForReading(*redt1);
    liveRefresh_->Soon();
}

// Docked back from the event loop: the window cannot go while its own close
// is being handled. Without other pages after it, the page it gets at the
// end of the row is the place it had. Once the main window has closed, the
// program is ending and asks every window to close: the preview goes too.
void Tfrmravik::frmPreviewClose(QObject*, TCloseAction& Action)
{
    if (!isVisible())
        return;
    Action = caNone;
    QTimer::singleShot(0, this, [this] {
        if (frmPreview->isWindow())
            Run([&] { vmpgcntrl1->DockControl(frmPreview); });
    });
}

// The finding's text is selected only in the code it was found in: the
// find panel can change the code while the preview shows. The page switch
// runs a local preview, as every switch does, and so a fresh check. A click
// in the floating preview brings the keyboard back to this window.
void Tfrmravik::wb1FindingChosen(QObject*, qsizetype From, qsizetype To)
{
    const bool unchanged = CodePaneText(*redt1->document()) == checkedCode_;
    const QString checked = checkedCode_;
    vmpgcntrl1->SetActivePage(vmtbshtTabSheet1);
    if (frmPreview->isWindow())
        activateWindow();
    if (unchanged)
        SelectCodePaneText(*redt1, checked, From, To);
    else
        redt1->setFocus();
}

// The picture is looked for in the code the page on show was made from; in
// code typed since, its place may be another. Its pixels come before the
// editor opens, from the browser's cache as a rule.
void Tfrmravik::wb1EditHotAreas(QObject*, const QVariant& Hit)
{
    const std::optional<TPictureHit> hit = TPictureHit::FromVariant(Hit);
    if (!hit)
        return;
    const QString code = CodePaneText(*redt1->document());
    if (code != checkedCode_) {
        TDialogs::Instance().ShowMessage(wb1->window(), QStringLiteral("代码在这次预览之后又改过了，请等预览更新后再编辑热区。"),
                                         kHintCaption, TMsgIcon::Information);
        return;
    }
    const TPageTemplate& page = PageTemplate(checkedVersion_);
    auto found = std::make_shared<THotAreaCode>(page.Head, code, page.Tail, *hit);
    if (!found->Problem().isEmpty()) {
        TDialogs::Instance().ShowMessage(wb1->window(), found->Problem(), kHintCaption, TMsgIcon::Information);
        return;
    }
    if (!pictureFetch_)
        pictureFetch_ = new TPictureFetch(this);
    pictureFetch_->Fetch(hit->Loaded ? hit->Picture : QUrl(), [this, hit = *hit, found, code](const QImage& natural) {
        // Not inside the browser's answer: the dialog runs an event loop.
        QTimer::singleShot(0, this, [=, this] { Run([&] { EditHotAreas(hit, *found, code, natural); }); });
    });
}

void Tfrmravik::EditHotAreas(const TPictureHit& hit, const THotAreaCode& found, const QString& code, const QImage& natural)
{
    THotOutput output = UserSettings().value(QLatin1String(kHotAreaOutputKey)).toString() == QLatin1String("links")
                            ? THotOutput::PositionedLinks
                            : THotOutput::ImageMap;
    if (found.Written())
        output = *found.Written();
    const auto allows = [&found](THotOutput o, const QList<THotArea>& areas, QString* why) {
        return found.Allows(o, areas, why);
    };
    THotAreaDialog dialog(PictureAsShown(hit, natural), found.PictureSize(), hit.Picture.toString(), found.Areas(),
                          output, allows, wb1->window());
    if (!TDialogs::Instance().ExecuteDialog(dialog))
        return;
    // The dialog kept the window from the user, but not from every command.
    if (CodePaneText(*redt1->document()) != code) {
        TDialogs::Instance().ShowMessage(wb1->window(), QStringLiteral("编辑热区时代码改过了，热区没有写入。"), kHintCaption,
                                         TMsgIcon::Warning);
        return;
    }
    UserSettings().setValue(QLatin1String(kHotAreaOutputKey),
                            dialog.Output() == THotOutput::ImageMap ? QStringLiteral("map") : QStringLiteral("links"));
    QList<TPaneEdit> edits;
    for (const TCodeEdit& e : found.Edits(dialog.Areas(), dialog.Output()))
        edits.append({e.From, e.To, e.Text});
    if (edits.isEmpty())
        return;
    EditCodePane(*redt1, code, edits);
    // The preview follows as after any change; docked, it is on show.
    if (frmPreview->isWindow())
        liveRefresh_->Soon();
    else if (vmpgcntrl1->ActivePage() == vmtbshtTabSheet2)
        LocalPreview();
}
