#include "GumboTree.h"
#include "PageBytes.h"
#include "PageComposer.h"
#include "PageEval.h"
#include "PageElements.h"
#include "PageScripts.h"
#include "PictureFetch.h"
#include "PictureServer.h"
#include "PreviewBridge.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"
#include "PreviewWorkingDir.h"
#include "PublishCheck.h"
#include "PublishReportJson.h"
#include "TestMain.h"

#include <QSignalSpy>

#include <optional>

namespace {
constexpr int kTimeout = 20000;

QImage Picture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    return picture;
}

// The number the publish check's parse gives the element marked data-k=`mark`.
int ParsedNumber(const TPageTemplate& page, const QString& code, const QString& mark)
{
    const TPageBytes bytes(page.Head, code, page.Tail);
    const TGumboTree tree(bytes.Bytes());
    for (const TPageElement& e : PageElements(tree.Document())) {
        const GumboAttribute* k = gumbo_get_attribute(&e.Node->v.element.attributes, "data-k");
        if (k && QString::fromUtf8(k->value) == mark)
            return e.Ordinal;
    }
    return -2;
}
}

class TestHitTest : public QObject {
    Q_OBJECT
    std::optional<PreviewWorkingDir> dir_;

private slots:
    void initTestCase() { dir_.emplace(); }
    void cleanupTestCase() { dir_.reset(); }

    // What lies under a point, as the context menu asks: the picture itself,
    // or the picture under the links, areas and captions over it; nothing
    // under an opaque block. Each picture is numbered as the publish check
    // numbers it, though the findings panel went into the page before it.
    void answersWithThePictureUnderThePoint()
    {
        PictureServer server;
        const QString sign = server.Add(QStringLiteral("/sign.png"), Picture(300, 100));
        const QString code = QStringLiteral(
            "<p id=\"finding\">x</p>"
            "<img data-k=\"sign\" src=\"%1\" width=\"300\" height=\"100\" style=\"display:block;padding:4px\">"
            "<div style=\"position:relative;width:300px;height:100px\"><img data-k=\"boxed\" src=\"%1\" style=\"display:block\">"
            "<a href=\"https://x.example.com/\" style=\"position:absolute;left:10px;top:10px;width:50px;height:50px\"></a>"
            "<span style=\"position:absolute;left:100px;top:10px\">caption</span></div>"
            "<img data-k=\"mapped\" src=\"%1\" usemap=\"#m\" style=\"display:block\">"
            "<map name=\"m\"><area shape=\"rect\" coords=\"0,0,50,50\" href=\"https://y.example.com/\"></map>"
            "<div data-k=\"bg\" style=\"height:80px;width:200px;background:url(%1) 10px 50% no-repeat\"></div>"
            "<div style=\"height:30px;background:#fff\"></div>")
                                 .arg(sign);
        const TPageTemplate& page = PageTemplate(TShopVersion::Professional);
        TPreviewBrowser browser;
        browser.resize(1000, 700);
        browser.show();
        const TPublishReport report = CheckPublish(BuiltInPublishRules(), {page.Head, code, page.Tail, QStringLiteral("professional")});
        QCOMPARE(report.Findings.size(), 1);
        browser.Bridge().SetFindings(PublishReportJson(report));
        QSignalSpy loaded(&browser, &TPreviewBrowser::PageLoaded);
        browser.Navigate(WriteCachePage(TShopVersion::Professional, code), TShopVersion::Professional);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && browser.Page(), kTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(Eval(browser, QStringLiteral("!!window.ravikFindings && document.images.length > 0 &&"
                                                                  " Array.prototype.every.call(document.images, function (i) { return i.complete; })"))
                                     .toBool(),
                                 kTimeout);

        // The answer at a point given from the element's top-left corner.
        const auto hit = [&](const QString& selector, int dx, int dy) {
            return Eval(browser, QStringLiteral("(function () { var e = document.querySelector('%1'); e.scrollIntoView();"
                                                    " var r = e.getBoundingClientRect(); return ravikHitTest(r.left + %2, r.top + %3); })()")
                                         .arg(selector)
                                         .arg(dx)
                                         .arg(dy))
                .toMap();
        };
        const QVariantMap direct = hit(QStringLiteral("[data-k=sign]"), 150, 50);
        QCOMPARE(direct.value(QStringLiteral("element")).toInt(), ParsedNumber(page, code, QStringLiteral("sign")));
        QCOMPARE(direct.value(QStringLiteral("tag")).toString(), QStringLiteral("img"));
        QCOMPARE(direct.value(QStringLiteral("src")).toString(), sign);
        QCOMPARE(direct.value(QStringLiteral("picture")).toString(), sign);
        QCOMPARE(direct.value(QStringLiteral("width")).toInt(), 300);   // the content box, without the padding
        QCOMPARE(direct.value(QStringLiteral("height")).toInt(), 100);
        QCOMPARE(direct.value(QStringLiteral("loaded")).toBool(), true);
        QCOMPARE(direct.value(QStringLiteral("background")).toBool(), false);

        for (const QPoint& through : {QPoint(20, 20), QPoint(110, 15)}) {
            const QVariantMap boxed = hit(QStringLiteral("[data-k=boxed]"), through.x(), through.y());
            QCOMPARE(boxed.value(QStringLiteral("element")).toInt(), ParsedNumber(page, code, QStringLiteral("boxed")));
        }
        QCOMPARE(hit(QStringLiteral("[data-k=mapped]"), 10, 10).value(QStringLiteral("element")).toInt(),
                 ParsedNumber(page, code, QStringLiteral("mapped")));

        const QVariantMap background = hit(QStringLiteral("[data-k=bg]"), 100, 40);
        QCOMPARE(background.value(QStringLiteral("element")).toInt(), ParsedNumber(page, code, QStringLiteral("bg")));
        QCOMPARE(background.value(QStringLiteral("background")).toBool(), true);
        QCOMPARE(background.value(QStringLiteral("picture")).toString(), sign);
        QCOMPARE(background.value(QStringLiteral("width")).toInt(), 200);
        QCOMPARE(background.value(QStringLiteral("backgroundPosition")).toString(), QStringLiteral("10px 50%"));

        QVERIFY(hit(QStringLiteral("[data-k=bg] + div"), 5, 5).isEmpty());
    }

    // The pixels of a picture from another host, which the page itself may
    // not read; a picture that is not there gives none.
    void fetchesThePicturesPixels()
    {
        PictureServer server;
        const QImage picture = Picture(300, 100);
        const QString sign = server.Add(QStringLiteral("/sign.png"), picture);
        TPictureFetch fetch;
        for (const auto& [url, expected] : {std::pair{sign, picture},
                                            std::pair{sign.chopped(4) + QStringLiteral("-missing.png"), QImage()}}) {
            QImage fetched;
            bool done = false;
            fetch.Fetch(QUrl(url), [&](const QImage& image) {
                fetched = image;
                done = true;
            });
            QTRY_VERIFY_WITH_TIMEOUT(done, kTimeout);
            QCOMPARE(fetched.convertToFormat(QImage::Format_RGB32), expected);
        }
    }
};

RAVIK_TEST(TestHitTest)
#include "tst_hittest.moc"
