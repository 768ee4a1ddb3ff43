// The storefront widget emulation in the local preview.
//  1. Round trip: write the cache page, load it into a preview page until
//     loadFinished and the first frame after it (so the styles and layout
//     our scripts cause are paid for too), with the emulation and without it
//     (the same preview page with our widget scripts taken out). Target:
//     within 1.1x.
//     Pages: a 100 KB one-line fragment with a widget every fourth block
//     (tables of items between them), and a fragment of 200 widgets.
//  2. The emulation's own start on the 200-widget page, measured inside the
//     page with performance.now(). Target: under 50 ms.
// Remote hosts are blocked on both sides (no name service here).
//
//   bench_widgets [rounds]
#include "Application.h"
#include "PageComposer.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewPage.h"
#include "PreviewWorkingDir.h"
#include "Startup.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {
const char* const kTypes[] = {"Tabs", "Slide", "Carousel", "Accordion"};
const char* const kEffects[] = {"none", "fade", "scrollx", "scrolly"};
// Pictures come from the page itself: a blocked remote picture costs this
// machine about a second of the load, which would drown what is measured.
const char* const kPicture = "data:image/gif;base64,R0lGODlhAQABAAAAACH5BAEKAAEALAAAAAABAAEAAAICTAEAOw==";
const char* const kWords[] = {"新品上市", "包邮", "限时折扣", "热卖爆款", "满199减30", "店长推荐", "正品保证"};

// A widget as decorators write them: nav triggers, panels of a picture and
// a caption, prev/next buttons; type and effect vary with `n`.
QString WidgetBlock(int n)
{
    const int panels = 3 + n % 4;
    QString nav, items;
    for (int k = 0; k < panels; ++k) {
        nav += QStringLiteral("<li>%1</li>").arg(k + 1);
        items += QStringLiteral("<li style=\"width:190px;height:120px;\"><a href=\"https://example.com/item?id=%1\" "
                                "target=\"_blank\"><img src=\"%3\" width=\"190\" "
                                "height=\"100\"/></a><span>%2</span></li>")
                     .arg(n * 10 + k)
                     .arg(QString::fromUtf8(kWords[(n + k) % 7]), QLatin1String(kPicture));
    }
    return QStringLiteral("<div class=\"J_TWidget\" style=\"width:950px;margin:0 auto;\" data-widget-type=\"%1\" "
                          "data-widget-config=\"{'effect':'%2','interval':%3,'steps':1,'circular':%4}\">"
                          "<ul class=\"ks-switchable-nav\">%5</ul><ul class=\"ks-switchable-content\">%6</ul>"
                          "<a class=\"ks-switchable-prev-btn\" href=\"#\">&lt;</a>"
                          "<a class=\"ks-switchable-next-btn\" href=\"#\">&gt;</a></div>")
        .arg(QLatin1String(kTypes[n % 4]), QLatin1String(kEffects[(n / 4) % 4]))
        .arg(3 + n % 5)
        .arg(n % 3 ? QStringLiteral("true") : QStringLiteral("false"), nav, items);
}

// Ordinary decoration between the widgets: a table of items.
QString TableBlock(int n)
{
    QString cells;
    for (int k = 0; k < 4; ++k)
        cells += QStringLiteral("<td width=\"187\" style=\"padding:5px;text-align:center;\"><a href=\"https://example.com/"
                                "item?id=%1\" target=\"_blank\"><img src=\"%4\" width=\"180\" "
                                "height=\"180\"/></a><span style=\"color:#ff4400;\">%2 &yen;%3.00</span></td>")
                     .arg(n * 10 + k)
                     .arg(QString::fromUtf8(kWords[(n + k) % 7]))
                     .arg(9 + (n * 37 + k) % 990)
                     .arg(QLatin1String(kPicture));
    return QStringLiteral("<table width=\"750\" cellpadding=\"0\" cellspacing=\"0\" style=\"margin:0 auto;\"><tbody><tr>") +
           cells + QStringLiteral("</tr></tbody></table>");
}

// One line (decoration code arrives so) of about `bytes` characters; every
// `every`-th block a widget, the rest tables. Zero `every`: widgets only.
QString Fragment(int bytes, int every, int maxWidgets)
{
    QString out;
    int widgets = 0;
    for (int n = 0; out.size() < bytes || (every == 0 && widgets < maxWidgets); ++n) {
        const bool widget = (every == 0 || n % every == 0) && widgets < maxWidgets;
        out += widget ? WidgetBlock(widgets++) : TableBlock(n);
        if (every == 0 && widgets == maxWidgets)
            break;
    }
    return out;
}

// A benchmark whose page never answers has nothing to report.
void Wait(const std::function<bool()>& done)
{
    if (!QTest::qWaitFor(done, 60000)) {
        std::fprintf(stderr, "the page did not answer within a minute\n");
        std::exit(1);
    }
}

// A preview page as the preview makes them, with or without the widgets.
struct Side {
    Side(QWebChannel& channel, bool widgets)
    {
        page = new TPreviewPage(&view);
        InstallPageScripts(*page, channel);
        if (!widgets) {
            for (const QWebEngineScript& s : page->scripts().find(QStringLiteral("widget-runtime-probe.js")))
                page->scripts().remove(s);
            for (const char* name : kWidgetScripts)
                for (const QWebEngineScript& s : page->scripts().find(QLatin1String(name)))
                    page->scripts().remove(s);
        }
        view.setPage(page);
        view.resize(1000, 800);
        view.show();
    }

    QVariant Eval(const QString& script, quint32 world = 0)
    {
        QVariant result;
        bool done = false;
        page->runJavaScript(script, world, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        Wait([&] { return done; });
        return result;
    }

    // Writes and loads the cache page until its first frame; milliseconds.
    double RoundTrip(const QString& fragment)
    {
        QElapsedTimer timer;
        timer.start();
        WriteCachePage(TShopVersion::Professional, fragment);
        bool finished = false;
        const auto c = QObject::connect(page, &QWebEnginePage::loadFinished, [&] { finished = true; });
        page->load(QUrl::fromLocalFile(CachePagePath()));
        Wait([&] { return finished; });
        QObject::disconnect(c);
        // The first frame after the load: the scrolling widgets line their
        // panels up when the page lays itself out, so that is paid here.
        Eval(QStringLiteral("window.framed = false;"
                            "requestAnimationFrame(function () { setTimeout(function () { framed = true; }, 0); });"));
        Wait([&] { return Eval(QStringLiteral("window.framed")).toBool(); });
        return timer.nsecsElapsed() / 1e6;
    }

    QWebEngineView view;
    TPreviewPage* page;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
}

int main(int argc, char** argv)
{
    PrepareProcess();
    QApplication app(argc, argv);
    InitialiseApplication(app);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 15;

    const PreviewWorkingDir work;

    TPreviewBridge bridge;
    QWebChannel channel;
    channel.registerObject(bridge.objectName(), &bridge);
    Side with(channel, true), without(channel, false);

    struct Case {
        const char* name;
        QString fragment;
    };
    const Case cases[] = {{"100 KB, widgets among tables", Fragment(100 * 1024, 4, 24)}, {"200 widgets", Fragment(0, 0, 200)}};

    std::printf("%d rounds, platform %s\n", rounds, qPrintable(QGuiApplication::platformName()));
    for (const Case& c : cases) {
        // Warm both up once: the first load starts a renderer.
        with.RoundTrip(c.fragment);
        without.RoundTrip(c.fragment);
        std::vector<double> ours, base, start;
        int alive = 0;
        for (int i = 0; i < rounds; ++i) {
            // Alternate which side goes first, so neither always follows
            // the other's disk write.
            if (i % 2) {
                base.push_back(without.RoundTrip(c.fragment));
                ours.push_back(with.RoundTrip(c.fragment));
            } else {
                ours.push_back(with.RoundTrip(c.fragment));
                base.push_back(without.RoundTrip(c.fragment));
            }
            const QVariantMap summary = with.Eval(QStringLiteral("window.ravikWidgets"), PageScriptWorld).toMap();
            start.push_back(summary.value(QStringLiteral("startMs")).toDouble());
            alive = summary.value(QStringLiteral("alive")).toInt();
        }
        const double m = Median(ours), b = Median(base);
        std::printf("%-30s (%lld characters, %d widgets brought to life)\n", c.name,
                    static_cast<long long>(c.fragment.size()), alive);
        std::printf("  round trip with the widgets:    median %8.2f ms  min %8.2f\n", m,
                    *std::min_element(ours.begin(), ours.end()));
        std::printf("  round trip without them:        median %8.2f ms  min %8.2f\n", b,
                    *std::min_element(base.begin(), base.end()));
        std::printf("  ratio with / without:           %.3f (target <= 1.1)\n", b > 0 ? m / b : 0.0);
        std::printf("  the widgets' start in the page: median %8.2f ms  max %8.2f (target < 50)\n", Median(start),
                    *std::max_element(start.begin(), start.end()));
    }
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    return 0;
}
