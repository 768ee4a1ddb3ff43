// The publish check: the check alone on one-line decoration code of 100 KB,
// 1 MB and 10 MB, for the professional storefront (clean code) and the
// basic one (its 950 px blocks are too wide there: hundreds of findings);
// the same check in its own process as the window runs it; and the local
// preview round trip through the main window with the check against the
// same preview without it (the page's script then finds nothing to show).
// Remote hosts are blocked in all previews (this machine has no name
// service).
//
//   bench_publish [rounds]
// A round trip ends when the new page has loaded and is on show.
#include "Application.h"
#include "PageComposer.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "PublishCheck.h"
#include "PublishChecker.h"
#include "Startup.h"
#include "Unitravik.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
class NoRemoteHosts : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.requestUrl().scheme().startsWith(QLatin1String("http")))
            info.block(true);
    }
};

// One-line decoration code of at most `utf8Bytes` bytes: banners, absolutely
// placed hot spots, product tables and lists, navigation bars, with Chinese
// captions, cut at a block boundary. Deterministic.
QString MakeFragment(qsizetype utf8Bytes)
{
    static const QStringList cn{QStringLiteral("新品上市"), QStringLiteral("包邮"),     QStringLiteral("限时折扣"),
                                QStringLiteral("热卖爆款"), QStringLiteral("满199减30"), QStringLiteral("店长推荐"),
                                QStringLiteral("领优惠券"), QStringLiteral("清仓特价")};
    static const QStringList colours{QStringLiteral("#ff4400"), QStringLiteral("#333333"), QStringLiteral("#e4393c"),
                                     QStringLiteral("#c40000"), QStringLiteral("#666")};
    QRandomGenerator r(12345);
    const auto word = [&] { return cn[r.bounded(int(cn.size()))]; };
    const auto colour = [&] { return colours[r.bounded(int(colours.size()))]; };
    QString out;
    qsizetype bytes = 0;
    for (int n = 1000;; ++n) {
        QString b;
        const QString id = QString::number(n);
        switch (r.bounded(5)) {
        case 0:
            b = QStringLiteral("<div style=\"width:750px;margin:0 auto;overflow:hidden;\"><a href=\"https://example.com/item?id=%1\" "
                               "target=\"_blank\"><img src=\"https://img.example.com/i1/%1.jpg\" style=\"width:750px\"/></a></div>")
                    .arg(id);
            break;
        case 1:
            b = QStringLiteral("<div class=\"shop-section\" style=\"width:950px;margin:0 auto;position:relative;background:"
                               "url(https://img.example.com/bg/%1.png) no-repeat center top;height:%2px;\"><div style=\""
                               "position:absolute;left:%3px;top:%4px;width:%5px;height:%6px;\"><a href=\"https://example.com/"
                               "item?id=%1&amp;spm=a1z10.%7\" target=\"_blank\" style=\"display:block;width:100%;height:100%;\">"
                               "</a></div><div style=\"position:absolute;left:20px;bottom:10px;color:%8;font-size:14px;\">%9</div></div>")
                    .arg(id).arg(r.bounded(200, 600)).arg(r.bounded(700)).arg(r.bounded(300)).arg(r.bounded(100, 250))
                    .arg(r.bounded(40, 120)).arg(r.bounded(1, 9)).arg(colour(), word() + u' ' + word());
            break;
        case 2: {
            b = QStringLiteral("<table width=\"750\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\" style=\"margin:0 auto;"
                               "border-collapse:collapse;\"><tbody><tr>");
            for (int k = 0, cells = r.bounded(2, 5); k < cells; ++k)
                b += QStringLiteral("<td width=\"%1\" valign=\"top\" style=\"padding:5px;text-align:center;\"><a href=\""
                                    "https://example.com/item?id=%2%3\" target=\"_blank\"><img src=\"https://img.example.com/"
                                    "i2/%2%3_430x430.jpg\" width=\"180\" height=\"180\" style=\"border:0;display:block;\"/></a>"
                                    "<span style=\"color:%4;font-size:12px;\">%5</span><b style=\"color:#ff4400;\">&yen;%6.00</b></td>")
                         .arg(QList<int>{187, 250, 375}[r.bounded(3)]).arg(id).arg(k).arg(colour(), word())
                         .arg(r.bounded(9, 999));
            b += QStringLiteral("</tr></tbody></table>");
            break;
        }
        case 3: {
            b = QStringLiteral("<div style=\"width:950px;margin:0 auto;overflow:hidden;\"><ul style=\"margin:0;padding:0;\">");
            for (int k = 0, items = r.bounded(3, 7); k < items; ++k)
                b += QStringLiteral("<li style=\"float:left;width:180px;margin:0 5px 10px;list-style:none;\"><a href=\""
                                    "https://example.com/item?id=%1%2\" target=\"_blank\" title=\"%3\"><img src=\"https://"
                                    "img.example.com/i3/%1%2.jpg_180x180.jpg\" style=\"width:180px;height:180px;\"/></a>"
                                    "<p style=\"margin:4px 0;color:#333;font-size:12px;\">%3 %4</p><p style=\"color:#c40000;\">"
                                    "&yen;%5</p></li>")
                         .arg(id).arg(k).arg(word(), word()).arg(r.bounded(9, 999));
            b += QStringLiteral("</ul></div>");
            break;
        }
        default:
            b = QStringLiteral("<div style=\"width:950px;height:36px;line-height:36px;background:%1;margin:0 auto;\">")
                    .arg(colour());
            for (int k = 0, links = r.bounded(4, 9); k < links; ++k)
                b += QStringLiteral("<a href=\"https://example.com/category-%1-%2.htm\" style=\"color:#fff;margin:0 12px;"
                                    "text-decoration:none;\">%3</a>")
                         .arg(id).arg(k).arg(word());
            b += QStringLiteral("</div>");
        }
        const qsizetype size = b.toUtf8().size();
        if (bytes + size > utf8Bytes && bytes > 0)
            return out;
        out += b;
        bytes += size;
    }
}

struct TFigures {
    std::vector<double> ms;
    void Add(double v) { ms.push_back(v); }
    double Median() const
    {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double Min() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
};

double Time(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// Runs `start` and waits until the latest navigation's page has loaded
// and is on show.
bool WaitLoaded(TPreviewBrowser& browser, const std::function<void()>& start)
{
    bool loaded = false;
    bool shown = false;
    const auto l = QObject::connect(&browser, &TPreviewBrowser::PageLoaded, [&](bool) { loaded = true; });
    const auto s = QObject::connect(&browser, &TPreviewBrowser::PageShown, [&] { shown = true; });
    start();
    const bool ok = QTest::qWaitFor([&] { return loaded && shown; }, 120000);
    QObject::disconnect(l);
    QObject::disconnect(s);
    return ok;
}

// True once the page's script has had its findings: the panel is there,
// or the findings were clean.
bool FindingsShown(TPreviewBrowser& browser)
{
    bool done = false;
    QVariant answer;
    browser.Page()->runJavaScript(QStringLiteral("window.ravikFindings !== undefined"), PageScriptWorld,
                                  [&](const QVariant& v) {
                                      answer = v;
                                      done = true;
                                  });
    return QTest::qWaitFor([&] { return done; }, 10000) && answer.toBool();
}
}

int main(int argc, char** argv)
{
    PrepareProcess();
    TApplication app(argc, argv);
    InitialiseApplication(app);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 9;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    std::printf("the check alone, in this process (median / min of %d):\n", rounds);
    const TPublishRules& rules = BuiltInPublishRules();
    for (const qsizetype size : {qsizetype(100 * 1024), qsizetype(1024 * 1024), qsizetype(10 * 1024 * 1024)}) {
        const QString code = MakeFragment(size);
        for (const TShopVersion version : {TShopVersion::Professional, TShopVersion::Basic}) {
            const TPageTemplate& page = PageTemplate(version);
            const TPublishInput input{page.Head, code, page.Tail, ShopVersionName(version)};
            TFigures figures;
            qsizetype findings = 0;
            for (int i = 0; i < (size > 2 * 1024 * 1024 ? 3 : rounds); ++i)
                figures.Add(Time([&] { findings = CheckPublish(rules, input).Findings.size(); }));
            std::printf("  %5lld KB %-13s %6lld findings  %8.2f ms  %8.2f ms\n", static_cast<long long>(size / 1024),
                        qPrintable(ShopVersionName(version)), static_cast<long long>(findings), figures.Median(),
                        figures.Min());
        }
    }

    {
        const QString code = MakeFragment(1024 * 1024);
        const TPageTemplate& page = PageTemplate(TShopVersion::Basic);
        TPublishChecker checker;
        TFigures figures;
        // An event loop of its own, as the window's: QTest's waits sleep
        // between looks, which would be timed too.
        QEventLoop loop;
        QObject::connect(&checker, &TPublishChecker::Finished, &loop, &QEventLoop::quit);
        for (int i = 0; i < rounds; ++i) {
            figures.Add(Time([&] {
                checker.Start({page.Head, code, page.Tail, QStringLiteral("basic")});
                loop.exec();
            }));
        }
        std::printf("the check in its own process, 1 MB basic, start to report:  median %8.2f ms  min %8.2f ms\n",
                    figures.Median(), figures.Min());
    }

    QTemporaryDir work;
    QDir(work.path()).mkdir(QStringLiteral("files"));
    QDir::setCurrent(work.path());
    NoRemoteHosts interceptor;
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);
    Tfrmravik window;
    window.show();
    window.rb1->setChecked(true);   // basic: the fragment's 950 px blocks are findings there
    std::printf("local preview round trip, basic storefront (median / min of %d, 3 for 1 MB; interleaved):\n", rounds);
    for (const qsizetype size : {qsizetype(100 * 1024), qsizetype(1024 * 1024)}) {
        window.redt1->setPlainText(MakeFragment(size));
        // The first load starts the browser and warms it up.
        WaitLoaded(*window.wb1, [&] { window.btn4Click(window.btn4); });
        TFigures with, withShown, without;
        for (int i = 0; i < (size > 512 * 1024 ? 3 : rounds); ++i) {
            QElapsedTimer timer;
            timer.start();
            WaitLoaded(*window.wb1, [&] { window.btn4Click(window.btn4); });
            with.Add(timer.nsecsElapsed() / 1e6);
            if (!QTest::qWaitFor([&] { return FindingsShown(*window.wb1); }, 60000))
                std::printf("  (no findings shown in a minute)\n");
            withShown.Add(timer.nsecsElapsed() / 1e6);

            const double ms = Time([&] {
                WaitLoaded(*window.wb1, [&] {
                    window.ComposeAndWrite();
                    window.wb1->Bridge().SetFindings({});
                    window.wb1->Navigate(CachePagePath(), TShopVersion::Basic);
                });
            });
            without.Add(ms);
        }
        std::printf("  %5lld KB  with the check: loaded, shown %8.2f ms (min %8.2f), panel shown %8.2f ms\n",
                    static_cast<long long>(size / 1024), with.Median(), with.Min(), withShown.Median());
        std::printf("            without it:     loaded, shown %8.2f ms (min %8.2f)\n", without.Median(), without.Min());
        std::printf("            ratio with / without (loaded, shown): %.2f   (panel shown): %.2f   (target <= 1.1)\n",
                    with.Median() / without.Median(), withShown.Median() / without.Median());
    }
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    return 0;
}
