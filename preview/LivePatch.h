#pragma once
// The floating preview follows the code as the user types. Loading the whole
// page again for every pause in typing costs the head, the tail, every
// picture and every widget; most edits change one element. So the page on
// show is patched in place (preview/web/livepatch.js): its module is brought
// to the new code changing only what differs. A patch must leave the page
// exactly as a fresh load of the cache page would; where it cannot, the page
// is loaded again, as a tab switch loads it. DecideRefresh is the rule.
#include "PageTemplates.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <functional>
#include <optional>

class TCachePageWriter;
class TPreviewBrowser;
class TPreviewPage;

// What the page's parse of a module found that a patch cannot give as a
// load would.
struct TModuleFacts {
    // The page outside the module is the stored page as it is without code:
    // the code closes none of its elements, leaves none open, swallows none
    // of the tail and adds nothing to its html or body element.
    bool SelfContained = false;
    bool Scripts = false;       // script elements
    bool Handlers = false;      // event handler attributes (on...)
    bool NoScript = false;      // noscript elements
    bool Template = false;      // template elements
    bool PageWide = false;      // base or meta elements
    bool FrameScript = false;   // a frame, embed or object whose address is a javascript: URL
    bool PageHooks = false;     // elements the stored page's own scripts act on as it loads
    bool Widgets = false;       // storefront widgets (J_TWidget)
};

// The page's answer about the new code, parsed as a load parses it.
struct TCodeFacts {
    bool Known = false;         // the page knows the code it shows
    bool Stale = false;         // its module is no longer what that code gave
    bool WidgetRestart = false; // the page can start single widgets afresh
    TModuleFacts Shown;         // the module on show
    TModuleFacts Next;          // the module of the new code
};

struct TRefreshFacts {
    bool PageShown = false;      // a page is on show
    bool LoadUnderWay = false;   // a page is being loaded to replace it
    bool NavigatedAway = false;  // the page on show is no longer the cache page
    TShopVersion ShownVersion = TShopVersion::Professional;
    TShopVersion Version = TShopVersion::Professional;
    std::optional<TCodeFacts> Code;   // none: the page did not answer
};

// Why a refresh patches or loads. The reasons to load, in the order the
// rule asks them:
enum class TRefreshReason {
    Patch,               // a patch gives what a load gives
    NoPage,              // nothing on show to patch
    LoadUnderWay,        // a load is on its way; the page on show is about to go
    NavigatedAway,       // the user followed a link: another page is on show
    StorefrontChanged,   // another storefront: another head and tail
    NoAnswer,            // the page did not answer (hung, or not ours)
    Unknown,             // the page does not know the code it shows (loaded anew, reloaded by hand)
    NotSelfContained,    // the code on show or the new code closes one of the stored page's elements,
                         // leaves one open, swallows the tail (an unclosed comment, textarea, title) or
                         // adds to the page's html or body: a patch of the module cannot set the rest
                         // right, nor give the rest as the new code has it
    Scripts,             // a script in the code on show or the new code: only a load runs scripts as a load does,
                         // and those that ran may have changed the page
    Handlers,            // event handler attributes: scripts too (an onload runs again on a load)
    FrameScript,         // a frame whose address is script
    PageHooks,           // elements the stored page's own scripts set up as the page loads (lazy pictures,
                         // the storefront's modules, forms): a patched-in element would miss that
    PageWide,            // base and meta elements act on the whole page
    NoScript,            // a page that runs scripts reads noscript as text; the patch's parse cannot
    Template,            // a template's content lies outside the tree the patch follows
    WidgetsCannotRestart,// the page's widgets cannot be started one by one
    Stale                // something other than a patch changed the module's elements
};

struct TRefreshDecision {
    bool Patch = false;
    TRefreshReason Reason = TRefreshReason::NoPage;
};

// The rule: patch the page on show, or load it again.
TRefreshDecision DecideRefresh(const TRefreshFacts& facts);
// The reason's name in the code above, for logs and benchmarks.
const char* RefreshReasonName(TRefreshReason reason);

// Runs the floating preview's refreshes: asks the page about the new code,
// decides by DecideRefresh, and patches the page or has it loaded again.
// The cache page is composed and encoded off the window's thread; after a
// patch it is written there too, so that it holds head, code and tail for
// whoever reads it next (a write the window asks for meanwhile waits for it,
// and a background write overtaken by a later one is dropped).
class TLivePatcher : public QObject {
    Q_OBJECT
public:
    // `reload` loads the page anew for that code and storefront (composes,
    // writes, navigates); it is called where the rule says so.
    TLivePatcher(TPreviewBrowser& browser, TCachePageWriter& writer,
                 std::function<void(const QString& code, TShopVersion version)> reload, QObject* parent = nullptr);
    ~TLivePatcher() override;

    // Every load of the cache page is told here: the page it brings shows
    // `code` once the browser shows it.
    void Loading(const QString& code);
    // Brings the page on show to `code`. A refresh asked for while one is
    // under way follows it, with the latest code. Where the page is to load
    // anew, the load starts no sooner than `loadAt`; a refresh asked for
    // meanwhile takes its place.
    void Refresh(const QString& code, TShopVersion version, QDeadlineTimer loadAt = QDeadlineTimer(0));
    bool Busy() const { return busy_; }
    // How long the page may take to answer before it counts as hung.
    void SetAnswerTimeout(int milliseconds) { answerTimeout_ = milliseconds; }

signals:
    void Decided(TRefreshDecision decision);
    // The page took patch `serial`; PatchPainted follows once a frame with
    // it is on its way to the screen.
    void Patched(int serial);
    void PatchPainted(int serial);
    // The cache page was written after a patch; `error` says why not.
    void Written(const QString& error);

private:
    // What the browser says of the page asked and the refresh under way.
    TRefreshFacts PageFacts() const;
    void Encoded(int serial, const QString& prepare, const QStringList& notes);
    void Conclude(const TRefreshFacts& facts);
    // Has the page loaded anew for the refresh under way.
    void Reload();
    void Finish();
    // Runs `script` in the page on show; `done` gets its value, or an
    // invalid one after the answer timeout.
    void Ask(const QString& script, std::function<void(const QVariant&)> done);

    TPreviewBrowser& browser_;
    TCachePageWriter& writer_;
    std::function<void(const QString&, TShopVersion)> reload_;
    QThread thread_;
    class TPatchEncoder* encoder_;
    QTimer answerTimer_;
    int answerTimeout_ = 3000;
    int asked_ = 0;                   // the question the page's next answer is for
    int serial_ = 0;
    bool busy_ = false;
    QString code_;                    // the refresh under way
    TShopVersion version_ = TShopVersion::Professional;
    QDeadlineTimer loadAt_;
    QTimer load_;                     // a load waiting for its time
    struct TQueued {
        QString Code;
        TShopVersion Version;
        QDeadlineTimer LoadAt;
    };
    std::optional<TQueued> queued_;
    QPointer<TPreviewPage> page_;     // the page asked
    QString loadingCode_;             // the code of the latest load asked for
    QString shownCode_;               // the code the page on show shows
    bool primed_ = false;             // the page on show holds its code's parse
};
