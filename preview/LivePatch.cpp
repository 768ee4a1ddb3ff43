#include "LivePatch.h"

#include "Exception.h"
#include "PageComposer.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

#include <sys/resource.h>
#include <unistd.h>

TRefreshDecision DecideRefresh(const TRefreshFacts& facts)
{
    using R = TRefreshReason;
    const auto load = [](R reason) { return TRefreshDecision{false, reason}; };
    if (!facts.PageShown)
        return load(R::NoPage);
    if (facts.LoadUnderWay)
        return load(R::LoadUnderWay);
    if (facts.NavigatedAway)
        return load(R::NavigatedAway);
    if (facts.ShownVersion != facts.Version)
        return load(R::StorefrontChanged);
    if (!facts.Code)
        return load(R::NoAnswer);
    const TCodeFacts& code = *facts.Code;
    if (!code.Known)
        return load(R::Unknown);
    if (!code.Shown.SelfContained || !code.Next.SelfContained)
        return load(R::NotSelfContained);
    // What the code on show did to the page stays until a load; what the new
    // code would do happens on a load only.
    for (const TModuleFacts* module : {&code.Shown, &code.Next}) {
        if (module->Scripts)
            return load(R::Scripts);
        if (module->Handlers)
            return load(R::Handlers);
        if (module->FrameScript)
            return load(R::FrameScript);
        if (module->PageHooks)
            return load(R::PageHooks);
        if (module->PageWide)
            return load(R::PageWide);
        if (module->NoScript)
            return load(R::NoScript);
        if (module->Template)
            return load(R::Template);
        if (module->Widgets && !code.WidgetRestart)
            return load(R::WidgetsCannotRestart);
    }
    if (code.Stale)
        return load(R::Stale);
    return {true, R::Patch};
}

const char* RefreshReasonName(TRefreshReason reason)
{
    switch (reason) {
    case TRefreshReason::Patch: return "patch";
    case TRefreshReason::NoPage: return "no page";
    case TRefreshReason::LoadUnderWay: return "load under way";
    case TRefreshReason::NavigatedAway: return "navigated away";
    case TRefreshReason::StorefrontChanged: return "storefront changed";
    case TRefreshReason::NoAnswer: return "no answer";
    case TRefreshReason::Unknown: return "page does not know its code";
    case TRefreshReason::Stale: return "module changed under the patch";
    case TRefreshReason::NotSelfContained: return "not self-contained";
    case TRefreshReason::Scripts: return "scripts";
    case TRefreshReason::Handlers: return "event handlers";
    case TRefreshReason::FrameScript: return "frame with a script address";
    case TRefreshReason::PageHooks: return "set up by the page's scripts";
    case TRefreshReason::PageWide: return "base or meta";
    case TRefreshReason::NoScript: return "noscript";
    case TRefreshReason::Template: return "template";
    case TRefreshReason::WidgetsCannotRestart: return "widgets cannot restart";
    }
    return "?";
}

// ---- the encoder, on a thread of its own -----------------------------------

namespace {
struct TPatchJob {
    int Serial = 0;
    QString Code;
    TShopVersion Version = TShopVersion::Professional;
    std::optional<QString> PrimeWith;   // the code the page was loaded with, when it must learn it
    quint64 Claim = 0;                  // the cache page write's place
};
}

// Composes and encodes the cache page, writes the page's question (the
// code in the page's encoding, or what changed in it since the question
// before), and writes the cache page once the question is on its way.
class TPatchEncoder : public QObject {
    Q_OBJECT
public:
    explicit TPatchEncoder(TCachePageWriter& writer) : writer_(writer) {}

    void Encode(const TPatchJob& job)
    {
        const TPageTemplate& page = PageTemplate(job.Version);
        const QString composed = ComposePage(page, job.Code);
        QList<TEncodingLoss> losses;
        const QByteArray bytes = EncodePage(composed, &losses);
        const qsizetype codeBegin = page.Head.size();
        const QByteArray code = CodeBytes(page, bytes);
        QJsonObject question{{QStringLiteral("serial"), job.Serial}};
        if (job.PrimeWith || sent_.isNull()) {
            question.insert(QStringLiteral("code"), QString::fromLatin1(code.toBase64()));
        } else {
            // What changed since the code the page was sent last: a
            // keystroke sends a few bytes, not the megabyte around them.
            const qsizetype most = std::min(sent_.size(), code.size());
            qsizetype head = 0, tail = 0;
            while (head < most && sent_[head] == code[head])
                ++head;
            while (tail < most - head && sent_[sent_.size() - 1 - tail] == code[code.size() - 1 - tail])
                ++tail;
            question.insert(QStringLiteral("against"), sentSerial_);
            question.insert(QStringLiteral("keep"), QJsonArray{double(head), double(tail)});
            question.insert(QStringLiteral("middle"),
                            QString::fromLatin1(code.mid(head, code.size() - head - tail).toBase64()));
        }
        sent_ = code;
        sentSerial_ = job.Serial;
        if (job.PrimeWith) {
            // Head and tail hold no character their encoding lacks: encoded
            // alone they are the bytes they are in any page.
            const QByteArray base = EncodePage(ComposePage(page, *job.PrimeWith));
            question.insert(QStringLiteral("prime"),
                            QJsonObject{{QStringLiteral("head"), QString::fromLatin1(EncodePage(page.Head).toBase64())},
                                        {QStringLiteral("tail"), QString::fromLatin1(EncodePage(page.Tail).toBase64())},
                                        {QStringLiteral("base"), QString::fromLatin1(CodeBytes(page, base).toBase64())},
                                        {QStringLiteral("hooks"), page.LoadTargets}});
        }
        emit Encoded(job.Serial,
                     QStringLiteral("ravikLivePatch.prepare(%1)")
                         .arg(QString::fromLatin1(QJsonDocument(question).toJson(QJsonDocument::Compact))),
                     EncodingNotes(losses, composed, codeBegin, codeBegin + job.Code.size()));
        QString error;
        try {
            if (!writer_.WriteClaimed(job.Claim, bytes))
                return;   // a later write came first
        } catch (const Exception& e) {
            error = e.Message();
        }
        emit Written(error);
    }

signals:
    // The page's question, and what the user should know of characters
    // the cache page could not hold as typed.
    void Encoded(int serial, const QString& prepare, const QStringList& notes);
    void Written(const QString& error);

private:
    // The code's own bytes in the encoded page.
    static QByteArray CodeBytes(const TPageTemplate& page, const QByteArray& bytes)
    {
        const qsizetype head = EncodePage(page.Head).size(), tail = EncodePage(page.Tail).size();
        return bytes.mid(head, bytes.size() - head - tail);
    }

    TCachePageWriter& writer_;
    QByteArray sent_;   // the code's bytes in the question before
    int sentSerial_ = 0;
};

// ---- the patcher ------------------------------------------------------------

namespace {
TModuleFacts ModuleFacts(const QVariantMap& m)
{
    TModuleFacts f;
    f.SelfContained = m.value(QStringLiteral("selfContained")).toBool();
    f.Scripts = m.value(QStringLiteral("scripts")).toBool();
    f.Handlers = m.value(QStringLiteral("handlers")).toBool();
    f.NoScript = m.value(QStringLiteral("noscript")).toBool();
    f.Template = m.value(QStringLiteral("template")).toBool();
    f.PageWide = m.value(QStringLiteral("pageWide")).toBool();
    f.FrameScript = m.value(QStringLiteral("frameScript")).toBool();
    f.PageHooks = m.value(QStringLiteral("pageHooks")).toBool();
    f.Widgets = m.value(QStringLiteral("widgets")).toBool();
    return f;
}

std::optional<TCodeFacts> CodeFacts(const QVariant& answer)
{
    if (answer.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap m = answer.toMap();
    TCodeFacts f;
    f.Known = m.value(QStringLiteral("known")).toBool();
    f.Stale = m.value(QStringLiteral("stale")).toBool();
    f.WidgetRestart = m.value(QStringLiteral("widgetRestart")).toBool();
    f.Shown = ModuleFacts(m.value(QStringLiteral("shown")).toMap());
    f.Next = ModuleFacts(m.value(QStringLiteral("next")).toMap());
    return f;
}

bool IsCachePage(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment) == QUrl::fromLocalFile(CachePagePath());
}
}

TLivePatcher::TLivePatcher(TPreviewBrowser& browser, TCachePageWriter& writer,
                           std::function<void(const QString&, TShopVersion)> reload, QObject* parent)
    : QObject(parent), browser_(browser), writer_(writer), reload_(std::move(reload)), encoder_(new TPatchEncoder(writer))
{
    encoder_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, encoder_, &QObject::deleteLater);
    connect(encoder_, &TPatchEncoder::Encoded, this, &TLivePatcher::Encoded);
    connect(encoder_, &TPatchEncoder::Written, this, &TLivePatcher::Written);
    thread_.setObjectName(QStringLiteral("live patch"));
    thread_.start();
    // Keys typed meanwhile come first: on two cores the page's renderer and
    // this thread would otherwise take turns with the window's thread.
    QMetaObject::invokeMethod(encoder_, [] { setpriority(PRIO_PROCESS, gettid(), 10); }, Qt::QueuedConnection);
    answerTimer_.setSingleShot(true);
    load_.setSingleShot(true);
    connect(&load_, &QTimer::timeout, this, [this] { reload_(code_, version_); });
    connect(&browser_, &TPreviewBrowser::PageShown, this, [this] {
        shownCode_ = loadingCode_;
        primed_ = false;
    });
    connect(&browser_.Bridge(), &TPreviewBridge::PatchPainted, this, &TLivePatcher::PatchPainted);
}

TLivePatcher::~TLivePatcher()
{
    thread_.quit();
    thread_.wait();
}

void TLivePatcher::Loading(const QString& code)
{
    loadingCode_ = code;
}

void TLivePatcher::Refresh(const QString& code, TShopVersion version, QDeadlineTimer loadAt)
{
    if (busy_) {
        queued_ = TQueued{code, version, loadAt};
        return;
    }
    load_.stop();
    busy_ = true;
    code_ = code;
    version_ = version;
    loadAt_ = loadAt;
    TPatchJob job{++serial_, code, version, std::nullopt, writer_.Claim()};
    page_ = browser_.ShownPage();
    if (page_ && !primed_)
        job.PrimeWith = shownCode_;
    QMetaObject::invokeMethod(encoder_, [encoder = encoder_, job] { encoder->Encode(job); }, Qt::QueuedConnection);
}

TRefreshFacts TLivePatcher::PageFacts() const
{
    TRefreshFacts facts;
    facts.PageShown = page_ && page_ == browser_.ShownPage();
    facts.LoadUnderWay = browser_.Loading();
    facts.NavigatedAway = facts.PageShown && !IsCachePage(page_->url());
    facts.ShownVersion = browser_.ShownVersion();
    facts.Version = version_;
    return facts;
}

void TLivePatcher::Encoded(int serial, const QString& prepare, const QStringList& notes)
{
    if (serial != serial_ || !busy_)
        return;
    // For the findings the page asks for next, patched or loaded.
    browser_.Bridge().SetPageNotes(notes);
    // Only a page of ours that stays on show can answer; the rule loads the
    // others before it asks for an answer.
    const TRefreshFacts facts = PageFacts();
    if (!facts.PageShown || facts.LoadUnderWay || facts.NavigatedAway) {
        Conclude(facts);
        return;
    }
    Ask(prepare, [this](const QVariant& answer) {
        TRefreshFacts facts = PageFacts();
        facts.Code = CodeFacts(answer);
        Conclude(facts);
    });
}

void TLivePatcher::Conclude(const TRefreshFacts& facts)
{
    const TRefreshDecision decision = DecideRefresh(facts);
    emit Decided(decision);
    if (!decision.Patch) {
        Reload();
        return;
    }
    const int serial = serial_;
    Ask(QStringLiteral("ravikLivePatch.commit(%1)").arg(serial), [this, serial](const QVariant& result) {
        if (result.toMap().value(QStringLiteral("done")).toBool()) {
            shownCode_ = code_;
            primed_ = true;
            emit Patched(serial);
            Finish();
        } else {
            // Half patched, perhaps: only a load puts it right, at once.
            primed_ = false;
            loadAt_ = QDeadlineTimer(0);
            Reload();
        }
    });
}

void TLivePatcher::Reload()
{
    if (const qint64 wait = loadAt_.remainingTime(); wait > 0) {
        load_.start(int(wait));
        Finish();
        return;
    }
    reload_(code_, version_);
    Finish();
}

void TLivePatcher::Finish()
{
    busy_ = false;
    answerTimer_.stop();
    if (queued_) {
        const TQueued next = *std::exchange(queued_, std::nullopt);
        Refresh(next.Code, next.Version, next.LoadAt);
    }
}

void TLivePatcher::Ask(const QString& script, std::function<void(const QVariant&)> done)
{
    const int question = ++asked_;
    auto answer = [this, question, done](const QVariant& value) {
        if (question != asked_)
            return;   // timed out, or overtaken
        ++asked_;
        answerTimer_.stop();
        done(value);
    };
    answerTimer_.disconnect();
    connect(&answerTimer_, &QTimer::timeout, this, [answer] { answer(QVariant()); });
    answerTimer_.start(answerTimeout_);
    if (page_)
        page_->runJavaScript(script, PageScriptWorld, answer);
}

#include "LivePatch.moc"
