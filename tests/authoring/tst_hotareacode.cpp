#include "Fragments.h"
#include "HotAreaCode.h"
#include "PublishCheck.h"
#include "TestMain.h"

namespace {
// A storefront page cut where the module's code goes. Its elements number
// html 0, head 1, meta 2, body 3, the region 4: the code's first is 5.
const QString kHead = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"gbk\"></head><body><div class=\"region\">");
const QString kTail = QStringLiteral("</div><img src=\"https://img.example.com/shop.jpg\"></body></html>");
const QString kSign = QStringLiteral("https://img.example.com/sign.jpg");
const QString kImg = QStringLiteral("<img src=\"https://img.example.com/sign.jpg\" width=\"950\" height=\"150\">");

TPictureHit Img(int element, const QString& src = kSign)
{
    TPictureHit hit;
    hit.Element = element;
    hit.Tag = QStringLiteral("img");
    hit.Source = src;
    hit.Size = QSize(950, 150);
    return hit;
}

TPictureHit Background(int element, bool positioned = false)
{
    TPictureHit hit;
    hit.Element = element;
    hit.Tag = QStringLiteral("div");
    hit.Background = true;
    hit.Positioned = positioned;
    hit.Size = QSize(750, 200);
    return hit;
}

THotArea Area(QRect rect, const QString& link, bool newWindow = true, const QString& tip = {})
{
    THotArea a;
    a.Rect = rect;
    a.Link = link;
    a.NewWindow = newWindow;
    a.Tip = tip;
    return a;
}

QString Write(const QString& code, const TPictureHit& hit, const QList<THotArea>& areas, THotOutput output)
{
    const THotAreaCode found(kHead, code, kTail, hit);
    return found.Problem().isEmpty() ? ApplyCodeEdits(code, found.Edits(areas, output)) : found.Problem();
}

// The rectangles, links and tips read back, one string each.
QStringList Read(const QString& code, const TPictureHit& hit)
{
    const THotAreaCode found(kHead, code, kTail, hit);
    QStringList out;
    for (const THotArea& a : found.Areas()) {
        const QRect r = a.Rect;
        out << (a.Editable() ? QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                             : a.ShapeName()) +
                   u' ' + a.Link + (a.NewWindow ? QStringLiteral(" new") : QString()) +
                   (a.Tip.isEmpty() ? QString() : u' ' + a.Tip);
    }
    return out;
}

const QList<THotArea> kTwo{Area({10, 20, 100, 50}, QStringLiteral("https://shop.example.com/a?x=1&y=\"2\""), true,
                                QStringLiteral("春季 <新品>")),
                           Area({300, 0, 200, 150}, QStringLiteral(" //shop.example.com/b "), false)};
}

class TestHotAreaCode : public QObject {
    Q_OBJECT
private slots:
    // Text before the picture that is not ASCII (a character outside the
    // BMP too) keeps the code's positions and the page's bytes apart.
    void writesEachFormTouchingNothingElse_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<QString>("written");
        QTest::newRow("image map")
            << int(THotOutput::ImageMap)
            << QStringLiteral("<img src=\"https://img.example.com/sign.jpg\" width=\"950\" height=\"150\" usemap=\"#hotarea-2\">"
                              "<map name=\"hotarea-2\"><area shape=\"rect\" coords=\"300,0,500,150\" href=\"//shop.example.com/b\">"
                              "<area shape=\"rect\" coords=\"10,20,110,70\" href=\"https://shop.example.com/a?x=1&amp;y=&quot;2&quot;\" "
                              "target=\"_blank\" title=\"春季 &lt;新品&gt;\"></map>");
        QTest::newRow("positioned links")
            << int(THotOutput::PositionedLinks)
            << QStringLiteral("<div style=\"position:relative;width:950px;height:150px;\">") + kImg +
                   QStringLiteral("<a href=\"https://shop.example.com/a?x=1&amp;y=&quot;2&quot;\" target=\"_blank\" "
                                  "title=\"春季 &lt;新品&gt;\" style=\"position:absolute;left:10px;top:20px;width:100px;"
                                  "height:50px;display:block;\"></a><a href=\"//shop.example.com/b\" style=\"position:"
                                  "absolute;left:300px;top:0px;width:200px;height:150px;display:block;\"></a></div>");
    }
    void writesEachFormTouchingNothingElse()
    {
        QFETCH(int, output);
        QFETCH(QString, written);
        // A map by the name the first free one would have, in another case.
        const QString before = QStringLiteral("<p>新品\U0001F600</p><map name=\"HOTAREA-1\"></map>\r\n");
        const QString after = QStringLiteral("\r\n<p>完</p>");
        const QString code = before + kImg + after;
        QCOMPARE(Write(code, Img(7), kTwo, THotOutput(output)), before + written + after);

        // What is written passes the publish check untouched.
        const TPublishReport report =
            CheckPublish(BuiltInPublishRules(), {kHead, before + written + after, kTail, QStringLiteral("professional")});
        QVERIFY(report.Findings.isEmpty());
    }

    // Read back, what was written is what was drawn, in the same order;
    // written again unchanged, not a byte moves.
    void readsBackWhatItWrote()
    {
        for (const THotOutput output : {THotOutput::ImageMap, THotOutput::PositionedLinks}) {
            const QString code = Write(kImg, Img(5), kTwo, output);
            const TPictureHit hit = Img(output == THotOutput::ImageMap ? 5 : 6);
            const THotAreaCode found(kHead, code, kTail, hit);
            QCOMPARE(found.Written(), output);
            QCOMPARE(Read(code, hit), (QStringList{QStringLiteral("10,20 100x50 https://shop.example.com/a?x=1&y=\"2\" new 春季 <新品>"),
                                                   QStringLiteral("300,0 200x150 //shop.example.com/b")}));
            QVERIFY(found.Edits(found.Areas(), output).isEmpty());
        }
    }

    // A shop sign's map as real code writes it, one area a line: shapes we
    // do not edit are listed and go back as they were; a changed rectangle
    // is rewritten in its line and a removed one goes with its line break,
    // every other byte staying.
    void editsARealShopSignsMap()
    {
        const QString code =
            StoredFragment(QStringLiteral("shop-sign-map.html")).replace(QLatin1String("\n"), QLatin1String("\r\n"));
        QVERIFY(!code.isEmpty());
        TPictureHit hit = Img(7, QStringLiteral("https://img.example.com/imgextra/ss/sign-1920.png"));
        hit.Size = QSize(1920, 150);
        const THotAreaCode found(kHead, code, kTail, hit);
        QCOMPARE(Read(code, hit),
                 (QStringList{QStringLiteral("多边形 https://shop.example.com/category-1126.htm new 新品"),
                              QStringLiteral("圆形 https://shop.example.com/coupon.htm?activityId=8843 new 领 20 元券"),
                              QStringLiteral("1150,46 112x58 https://favorite.example.com/popup/add_collection.htm?id=60918&itemtype=0 new 收藏本店"),
                              QStringLiteral("485,18 275x114 https://shop.example.com/index.htm new 回到首页")}));
        QVERIFY(!found.Allows(THotOutput::PositionedLinks, found.Areas()));
        QVERIFY(found.Edits(found.Areas(), THotOutput::ImageMap).isEmpty());

        QList<THotArea> areas = found.Areas();
        areas[3].Link = QStringLiteral("https://shop.example.com/");
        areas.removeFirst();
        const QString poly = QStringLiteral("\r\n<area shape=\"poly\" coords=\"1390,30,1430,30,1448,75,1430,120,1390,120\" "
                                            "href=\"https://shop.example.com/category-1126.htm\" target=\"_blank\" alt=\"新品\">");
        QVERIFY(code.contains(poly));
        QCOMPARE(ApplyCodeEdits(code, found.Edits(areas, THotOutput::ImageMap)),
                 QString(code).remove(poly).replace(
                     QStringLiteral("<area shape=\"rect\" coords=\"485,18,760,132\" href=\"https://shop.example.com/index.htm\" "
                                    "target=\"_blank\" alt=\"回到首页\">"),
                     QStringLiteral("<area shape=\"rect\" coords=\"485,18,760,132\" href=\"https://shop.example.com/\" "
                                    "target=\"_blank\" title=\"回到首页\">")));
    }

    // Draw, OK, open again, change one link, OK; then change the form:
    // there is always exactly one map or link box, and the old one goes.
    void roundTripKeepsOneMapOrBox()
    {
        const QString code = Write(QStringLiteral("<p>a</p>") + kImg, Img(6), kTwo, THotOutput::ImageMap);
        const THotAreaCode again(kHead, code, kTail, Img(6));
        QList<THotArea> areas = again.Areas();
        areas[1].Link = QStringLiteral("https://shop.example.com/c");
        const QString relinked = ApplyCodeEdits(code, again.Edits(areas, THotOutput::ImageMap));
        QCOMPARE(relinked.count(QLatin1String("<map")), 1);
        QCOMPARE(relinked, QString(code).replace(QLatin1String("//shop.example.com/b"), QLatin1String("https://shop.example.com/c")));

        const QString links = ApplyCodeEdits(relinked, THotAreaCode(kHead, relinked, kTail, Img(6)).Edits(areas, THotOutput::PositionedLinks));
        QVERIFY(!links.contains(QLatin1String("map")));
        QCOMPARE(links.count(QLatin1String("position:relative")), 1);
        // The link box holds the picture at its next number.
        const THotAreaCode boxed(kHead, links, kTail, Img(7));
        QCOMPARE(boxed.Areas().size(), 2);
        QCOMPARE(ApplyCodeEdits(links, boxed.Edits(boxed.Areas(), THotOutput::ImageMap)), relinked);
        QCOMPARE(ApplyCodeEdits(links, boxed.Edits({}, THotOutput::ImageMap)), QStringLiteral("<p>a</p>") + kImg);
    }

    // The page numbers elements as the code has them; where it is off (a
    // script of the page added some), the nearest element with the same
    // address is the one. A picture elsewhere is not the code's.
    void findsThePictureBackInTheCode()
    {
        const QString twin = QStringLiteral("<img src=\"https://img.example.com/sign.jpg\">");
        const QString code = twin + QStringLiteral("<b></b>") + twin;
        const QList<THotArea> one{Area({0, 0, 5, 5}, QStringLiteral("https://x.example.com/"))};
        const QString second = twin + QStringLiteral("<b></b><img src=\"https://img.example.com/sign.jpg\" usemap=\"#hotarea-1\">");
        QVERIFY(Write(code, Img(7), one, THotOutput::ImageMap).startsWith(second));
        QVERIFY(Write(code, Img(9), one, THotOutput::ImageMap).startsWith(second));
        QVERIFY(!THotAreaCode(kHead, code, kTail, Img(8, QStringLiteral("https://img.example.com/shop.jpg"))).Problem().isEmpty());
        QVERIFY(!THotAreaCode(kHead, code, kTail, Img(7, QStringLiteral("other.jpg"))).Problem().isEmpty());

        // A map two pictures use stays for the other; this one gets its own.
        const QString shared = QStringLiteral("<map name=\"hotarea-1\"><area coords=\"0,0,9,9\" href=\"https://y.example.com/\"></map>");
        const QString both = QStringLiteral("<img src=\"a.jpg\" usemap=\"#hotarea-1\">") + shared +
                             QStringLiteral("<img src=\"b.jpg\" usemap=\"#hotarea-1\">");
        QCOMPARE(Write(both, Img(8, QStringLiteral("b.jpg")), one, THotOutput::ImageMap),
                 QStringLiteral("<img src=\"a.jpg\" usemap=\"#hotarea-1\">") + shared +
                     QStringLiteral("<img src=\"b.jpg\" usemap=\"#hotarea-2\"><map name=\"hotarea-2\"><area shape=\"rect\" "
                                    "coords=\"0,0,5,5\" href=\"https://x.example.com/\" target=\"_blank\"></map>"));
    }

    // A background picture's element becomes the link box itself, placed
    // against it only where nothing places it yet; inside a link it cannot.
    void backgroundElementBecomesTheBox()
    {
        const QList<THotArea> one{Area({5, 6, 7, 8}, QStringLiteral("https://x.example.com/"), false)};
        const QString link = QStringLiteral("<a href=\"https://x.example.com/\" style=\"position:absolute;left:5px;top:6px;"
                                            "width:7px;height:8px;display:block;\"></a>");
        const QString styled = QStringLiteral("<div class=\"sign\" style='background:url(a.jpg);height:200px'>\n<p>店招</p>\n</div>");
        QCOMPARE(Write(styled, Background(5), one, THotOutput::PositionedLinks),
                 QStringLiteral("<div class=\"sign\" style='position:relative;background:url(a.jpg);height:200px'>\n<p>店招</p>") +
                     link + QStringLiteral("\n</div>"));
        QCOMPARE(Write(QStringLiteral("<div class=\"abs\"></div>"), Background(5, true), one, THotOutput::PositionedLinks),
                 QStringLiteral("<div class=\"abs\">") + link + QStringLiteral("</div>"));
        // An unquoted value keeps the "/" it ends with.
        QCOMPARE(Write(QStringLiteral("<div class=sign/></div>"), Background(5), one, THotOutput::PositionedLinks),
                 QStringLiteral("<div class=sign/ style=\"position:relative;\">") + link + QStringLiteral("</div>"));

        const THotAreaCode found(kHead, styled, kTail, Background(5));
        QVERIFY(!found.Allows(THotOutput::ImageMap, one));
        QVERIFY(!THotAreaCode(kHead, QStringLiteral("<a href=\"https://x.example.com/\"><div></div></a>"), kTail, Background(6))
                     .Problem()
                     .isEmpty());
    }

    void placesBackgroundPictures_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QRect>("placed");
        // The element is 750 x 200, the picture 1500 x 100.
        QTest::newRow("as it is") << "auto" << "0px 0px" << QRect(0, 0, 1500, 100);
        QTest::newRow("centred") << "auto auto" << "50% 50%" << QRect(-375, 50, 1500, 100);
        QTest::newRow("cover") << "cover" << "0% 100%" << QRect(0, 0, 3000, 200);
        QTest::newRow("contain") << "contain" << "10px 5px" << QRect(10, 5, 750, 50);
        QTest::newRow("width given") << "375px auto" << "100% 0px" << QRect(375, 0, 375, 25);
    }
    void placesBackgroundPictures()
    {
        QFETCH(QString, size);
        QFETCH(QString, position);
        QFETCH(QRect, placed);
        TPictureHit hit = Background(5);
        hit.BackgroundSize = size;
        hit.BackgroundPosition = position;
        QCOMPARE(BackgroundPlacement(hit, QSize(1500, 100)), placed);
    }
};

RAVIK_TEST(TestHotAreaCode)
#include "tst_hotareacode.moc"
