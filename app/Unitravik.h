#pragma once
// The main window: the code pane, the shop-version choice, the side bar and
// the two-page container with the live preview. Every user command is an
// event handler of this window, named after its control and event.
//
// The window is a form of the toolkit: it owns its controls, gives the
// keyboard to them the way the widget set expects (Enter and Escape to the
// buttons, Ctrl+Tab to the page control) and keeps the active control.
#include "EditorCommands.h"
#include "Forms.h"
#include "PageComposer.h"
#include "PageTemplates.h"
#include "VmButton.h"
#include "VmPageControl.h"
#include "VmPanel.h"

#include <QPushButton>

class QAction;
class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;
class TLivePatcher;
class TLiveRefresh;
class THotAreaCode;
struct TPictureHit;
class TPictureFetch;
class TPreviewBrowser;
class TPublishChecker;

class Tfrmravik : public TForm {
    Q_OBJECT
public:
    explicit Tfrmravik(TComponent* owner = nullptr);
    ~Tfrmravik() override;

    // The controls, in the order they are created: a later one lies above
    // an earlier sibling, and the tab order follows it. Null until made: the
    // window's event filter hears of its children while they are being made.
    QPushButton* btn1 = nullptr;          // "网页预览"   (covered by the page control)
    QPushButton* btn4 = nullptr;          // "本地预览"
    QPushButton* btn3 = nullptr;          // "清空"
    QPushButton* btn2 = nullptr;          // "另存"
    QFrame* pnl1 = nullptr;               // holds the template boxes
    QPlainTextEdit* mmo2 = nullptr;       // professional head
    QPlainTextEdit* mmo3 = nullptr;       // professional tail
    QPlainTextEdit* mmo4 = nullptr;       // the page buffer: the last composed page
    QPlainTextEdit* mmo5 = nullptr;       // Tmall head
    QPlainTextEdit* mmo6 = nullptr;       // Tmall tail
    QPlainTextEdit* mmo7 = nullptr;       // basic head
    QPlainTextEdit* mmo8 = nullptr;       // basic tail
    TVmPanel* vmpnl1 = nullptr;           // side bar
    TVmGroupBox* vmgrpbx1 = nullptr;      // "版本选择"
    QRadioButton* rb1 = nullptr;          // "基础版"
    QRadioButton* rb3 = nullptr;          // "专业版"
    QRadioButton* rb2 = nullptr;          // "天猫"
    TVmGroupBox* vmgrpbx2 = nullptr;      // "其他"
    QLabel* lbl1 = nullptr;               // "帮助"
    TVmBitBtn* vmbtbtn1 = nullptr;        // "查找替换"
    TVmGroupBox* vmgrpbx3 = nullptr;      // "格式化"
    TVmBitBtn* vmbtbtn6 = nullptr;        // "格式阅读"
    TVmBitBtn* vmbtbtn2 = nullptr;        // "字体设置"
    TVmPageControl* vmpgcntrl1 = nullptr;
    TVmTabSheet* vmtbshtTabSheet1 = nullptr;
    QTextEdit* redt1 = nullptr;           // the code pane
    // The preview's page: made for the docked preview form, so it goes
    // while the preview floats (nullptr then) and comes back when it docks.
    TVmTabSheet* vmtbshtTabSheet2 = nullptr;
    TForm* frmPreview = nullptr;          // "实时预览": docked on its page, or a window of its own
    TPreviewBrowser* wb1 = nullptr;       // the embedded browser, started at the first preview
    TVmPageControl* vmpgcntrl2 = nullptr; // the find panel
    TVmTabSheet* vmtbshtTabSheet3 = nullptr;
    QLabel* lbl2 = nullptr;
    QLineEdit* edt1 = nullptr;            // find text
    TVmButton* btn5 = nullptr;            // "查找"
    QLabel* lbl3 = nullptr;
    QLineEdit* edt2 = nullptr;            // replacement
    TVmButton* btn6 = nullptr;            // "全部替换"
    TSaveRequest dlgSave1;
    TCodePaneFont dlgFont1;
    QMenu* pm1 = nullptr;                 // the code pane's context menu
    QAction* N1;                 // "粘贴"
    QAction* N3;                 // "复制"
    QAction* N2;                 // "全选"
    QAction* N9;
    QAction* N8;                 // "反色背景"
    QAction* N6;
    QAction* N4;                 // "另存为"
    QAction* N7;
    QAction* N5;                 // "清空"

    // Event handlers (sender first, as every control raises them).
    void FormShow(QObject* Sender);
    void btn1Click(QObject* Sender);          // web preview
    void btn4Click(QObject* Sender);          // local preview
    void vmpgcntrl1Change(QObject* Sender);   // local preview
    void btn3Click(QObject* Sender);          // clear
    void N5Click(QObject* Sender);            // clear
    void btn2Click(QObject* Sender);          // save as
    void N4Click(QObject* Sender);            // save as
    void N1Click(QObject* Sender);            // paste
    void N3Click(QObject* Sender);            // copy
    void N2Click(QObject* Sender);            // select all and copy
    void N8Click(QObject* Sender);            // select all
    void lbl1Click(QObject* Sender);          // help
    void vmbtbtn2Click(QObject* Sender);      // font
    void redt1Change(QObject* Sender);        // scroll-bar update
    // Key-down of the code pane; setting Key to 0 consumes the key.
    void redt1KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void vmbtbtn1Click(QObject* Sender);      // show the find panel
    void btn5Click(QObject* Sender);          // find
    void btn6Click(QObject* Sender);          // replace all
    void vmpgcntrl2Close(QObject* Sender, bool& AllowClose);   // close the find panel
    void vmbtbtn6Click(QObject* Sender);      // format for reading
    // Closing the floating preview docks it back as the page "实时预览".
    void frmPreviewClose(QObject* Sender, TCloseAction& Action);
    // A finding chosen in the preview's publish check: [From, To) of the
    // code that was checked.
    void wb1FindingChosen(QObject* Sender, qsizetype From, qsizetype To);
    // "编辑热区..." from the preview's menu: `Hit` is what the page said lies
    // under the pointer. The editor opens once the picture's pixels are in.
    void wb1EditHotAreas(QObject* Sender, const QVariant& Hit);

    // The shop version of the checked radio button.
    TShopVersion ShopVersion() const;
    // Composes the page of the checked version around the code pane's text
    // and writes the cache page; throws EFCreateError when it cannot.
    void ComposeAndWrite();
    // Compose and write, then show the cache page in the embedded browser
    // and check the code for publishing beside it.
    void LocalPreview();
    // Compose and write, then hand the cache page to the desktop's browser.
    void WebPreview();
    // While the preview floats it follows the code by itself, patching the
    // page in place where that gives what a load would.
    TLiveRefresh& LiveRefresh() const { return *liveRefresh_; }
    TLivePatcher& LivePatch() const { return *livePatch_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Moved or resized: the place the preview floats to first follows.
    void WMWindowPosChanged(const TRect& oldBounds) override;

private:
    // The stored layout: every control created with its owner and parent
    // and its stored properties assigned while the window is loading.
    void CreateControls();
    void WireEvents();
    // The preview form was docked or floated.
    void PreviewMoved();
    void PlaceFloatingPreview();
    void RefreshFloatingPreview();
    // The live refresh's load, where a patch would not do.
    void ReloadFloatingPreview(const QString& code, TShopVersion version);
    // A live refresh failed: says why, once per streak of failures.
    void LiveRefreshFailed(const QString& message);
    // Checks `code` for publishing; its findings go to the preview's page.
    void StartPublishCheck(const QString& code);
    void Load(const QString& code, TShopVersion version);

    void ComposeAndWrite(const QString& code, TShopVersion version);

    QButtonGroup* versionGroup_ = nullptr;
    QString bufferedPage_;   // the text last put into mmo4
    TLiveRefresh* liveRefresh_ = nullptr;
    TCachePageWriter cacheWriter_;
    TLivePatcher* livePatch_ = nullptr;
    // A refresh that failed showed why; the next ones stay quiet until one
    // succeeds, rather than raise a box at every pause in typing.
    bool liveRefreshFailed_ = false;
    bool previewHasFloated_ = false;
    TPublishChecker* publishCheck_ = nullptr;
    QString checkedCode_;   // the code of the latest local preview, which its findings point into
    TShopVersion checkedVersion_ = TShopVersion::Professional;   // the storefront it went into
    TPictureFetch* pictureFetch_ = nullptr;
    // The hot-area editor over a picture found in `code`, its pixels fetched.
    void EditHotAreas(const TPictureHit& hit, const THotAreaCode& found, const QString& code, const QImage& natural);
};
