#include "PublishCheck.h"
#include "PublishReportJson.h"
#include "TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
// A storefront page cut where a custom module's content goes, as the
// templates are.
const QString kHead = QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head><meta charset=\"gbk\"></head>\r\n<body>\r\n"
                                     "<div id=\"page\"><div class=\"J_TModule\" data-title=\"自定义内容区\" >\r\n");
const QString kTail = QStringLiteral("</div>\r\n</div>\r\n<script>var loaded = 1;</script>\r\n</body>\r\n</html>\r\n");

TPublishReport Check(const QString& code, const QString& storefront = QStringLiteral("professional"))
{
    return CheckPublish(BuiltInPublishRules(), {kHead, code, kTail, storefront});
}

// Each finding as "rule: offending text".
QStringList Found(const TPublishReport& report, const QString& code)
{
    QStringList found;
    for (const TFinding& f : report.Findings)
        found << f.Rule + QStringLiteral(": ") + code.mid(f.From, f.To - f.From);
    return found;
}
}

class TestPublishCheck : public QObject {
    Q_OBJECT
private slots:
    void findings_data()
    {
        QTest::addColumn<QString>("storefront");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("found");

        // What a real tokenizer tells apart from look-alikes: mark-up in
        // text, comments and raw-text elements, names that only contain
        // a rule's words, and the widget hook itself.
        QTest::newRow("clean") << "professional"
                               << QStringLiteral(
                                      "<div class=\"shop-section tb J_TWidget tb-module J_TokenSign\" "
                                      "style=\"width:950px;margin:0 auto;\" "
                                      "data-onclick=\"x\" data-id=\"7\"><a href=\"https://example.com/javascript:x\" "
                                      "target=\"_blank\"><img src=\"https://img.example.com/1.jpg\" width=\"950\"/></a>"
                                      "<!-- <script>alert(1)</script> --><p>onclick=\"x\" id=\"y\" &lt;style&gt;</p>"
                                      "<textarea><iframe src=\"javascript:x\"></textarea><a class=\"J_CartPluginTrigger\">b</a>"
                                      "<table width=\"100%\"><tr><td style=\"max-width:2000px;width:50%\">新品上市</td></tr></table></div>")
                               << QStringList();
        QTest::newRow("removed elements, content and all")
            << "tmall"
            << QStringLiteral("<p>a</p><script src=\"x.js\">document.write('<b id=q>')</script><STYLE>p{}</STYLE>"
                              "<link rel=\"stylesheet\" href=\"a.css\"><iframe src=\"https://example.com/\" onload=\"x()\"></iframe>")
            << QStringList{QStringLiteral("removed-element: <script src=\"x.js\">"),
                           QStringLiteral("removed-element: <STYLE>"),
                           QStringLiteral("removed-element: <link rel=\"stylesheet\" href=\"a.css\">"),
                           QStringLiteral("removed-element: <iframe src=\"https://example.com/\" onload=\"x()\">")};
        QTest::newRow("id and every event handler")
            << "basic"
            << QStringLiteral("<div id=\"main\"><img src=a.jpg onerror=\"x()\" ONMOUSEOVER='y' onclick></div>")
            << QStringList{QStringLiteral("id-attribute: id=\"main\""), QStringLiteral("event-handler: onerror=\"x()\""),
                           QStringLiteral("event-handler: ONMOUSEOVER='y'"), QStringLiteral("event-handler: onclick")};
        QTest::newRow("javascript URLs however written")
            << "professional"
            << QStringLiteral("<a href=\" JavaScript:void(0)\">a</a><img src=\"java&#x09;script:x\">"
                              "<form action=javascript:x></form><a href=\"https://example.com/?javascript:\">b</a>")
            << QStringList{QStringLiteral("javascript-url: href=\" JavaScript:void(0)\""),
                           QStringLiteral("javascript-url: src=\"java&#x09;script:x\""),
                           QStringLiteral("javascript-url: action=javascript:x")};
        QTest::newRow("reserved class names, each on its own")
            << "professional"
            << QStringLiteral("<div class=\"tb-main box J_TWidget J_TModule\"><span class='J_TWidgetX  tb-'>x</span>"
                              "<i class=\"j_tx TB-x\">y</i><b class=\"tb&#45;x\">z</b><u class=\"x &amp tb-y\">w</u></div>")
            << QStringList{QStringLiteral("reserved-class: tb-main"), QStringLiteral("reserved-class: J_TModule"),
                           QStringLiteral("reserved-class: J_TWidgetX"), QStringLiteral("reserved-class: tb-"),
                           QStringLiteral("reserved-class: tb&#45;x"),
                           // "&amp" without its ';' cannot be placed: the whole attribute is shown.
                           QStringLiteral("reserved-class: class=\"x &amp tb-y\"")};
        QTest::newRow("wider than the professional column")
            << "professional"
            << QStringLiteral("<table width=\"951\"><tr><td>x</td></tr></table>"
                              "<div style=\"margin:0;WIDTH : 1000px !important;width:900px\">y</div>"
                              "<div style=\"width:960px;width:900px\">fits</div><img width=\"1200\" style=\"width:100%\">"
                              "<div style=\"/* wide */ width:1200.5PX\">z</div>")
            << QStringList{QStringLiteral("wider-than-column: width=\"951\""),
                           QStringLiteral("wider-than-column: WIDTH : 1000px !important"),
                           QStringLiteral("wider-than-column: width:1200.5PX")};
        QTest::newRow("wider than the basic column")
            << "basic" << QStringLiteral("<div style=\"width:950px\"><img src=\"a.jpg\" width=\"750\"></div>")
            << QStringList{QStringLiteral("wider-than-column: width:950px")};
        QTest::newRow("one warning per over-wide block")
            << "professional"
            << QStringLiteral("<div style=\"width:1920px\"><div style=\"width:1920px\"><img src=\"a.jpg\" width=\"1920\"></div>"
                              "</div><div style=\"overflow:hidden;width:1200px\"><img width=\"1300\"></div>")
            << QStringList{QStringLiteral("wider-than-column: width:1920px"), QStringLiteral("wider-than-column: width:1200px")};
        // Out of the flow, in an overlay, clipped by a box the column holds,
        // narrowed by max-width, or a width attribute the element has not.
        QTest::newRow("what leaves the column or is clipped in it")
            << "professional"
            << QStringLiteral("<div style=\"position:absolute;left:0;width:1920px\"><img width=\"1920\"></div>"
                              "<div style=\"POSITION: fixed; width:2000px\"></div>"
                              "<div class=\"x footer-more-trigger\" style=\"width:1920px\"><div style=\"width:1920px\"></div></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Popup\" style=\"width:1200px\"><p style=\"width:1200px\">p</p></div>"
                              "<div style=\"width:950px;overflow:hidden\"><ul style=\"width:960px\"></ul></div>"
                              "<div style=\"overflow-x:hidden\"><img width=\"1200\"></div>"
                              "<p style=\"width:1200px;max-width:100%\">m</p><div width=\"2000\">d</div>")
            << QStringList();
        // In the flow: a floated box grows to its content, clipping or not;
        // position: relative stays; min-width wins over width and max-width.
        QTest::newRow("what stays in the column")
            << "professional"
            << QStringLiteral("<div style=\"float:left;overflow:hidden\"><img width=\"1200\"></div>"
                              "<div style=\"position:relative;width:1200px\"></div>"
                              "<p style=\"width:100px;max-width:90%;min-width:1000px\">m</p>"
                              "<div style=\"width:1900px;max-width:1000px\">n</div>")
            << QStringList{QStringLiteral("wider-than-column: width=\"1200\""), QStringLiteral("wider-than-column: width:1200px"),
                           QStringLiteral("wider-than-column: min-width:1000px"),
                           QStringLiteral("wider-than-column: max-width:1000px")};
        // The place of the fault in the code, through character references
        // and line breaks; where the text ran out, the quote that ended it.
        QTest::newRow("widget configs the storefront cannot read")
            << "professional"
            << QStringLiteral("<div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config=\"{\"navCls\":\"nav\"}\"></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Slide\" data-widget-config=\"{effect:'fade'\"></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Slide\" data-widget-config='{effect:\"fade\"} x'></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config=\"{&quot;a&quot;:b}\"></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config=\"{\r\n a: 1,\r\n b: 中\r\n}\"></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config={a:'中></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config=\"{a:1, b:[2,], 'c':{d:'e'},}\"></div>")
            << QStringList{QStringLiteral("widget-config-unreadable: \""), QStringLiteral("widget-config-unreadable: \""),
                           QStringLiteral("widget-config-unreadable: x"), QStringLiteral("widget-config-unreadable: b"),
                           QStringLiteral("widget-config-unreadable: 中"), QStringLiteral("widget-config-unreadable: 中")};
        QTest::newRow("widget types the storefront does not have")
            << "professional"
            << QStringLiteral("<div class=\"J_TWidget\" data-widget-type=\"Slider\"></div><div class=\"J_TWidget\" "
                              "data-widget-type=\"tabs\"></div><div class=\"J_TWidget\" data-widget-type=\"Countdown\"></div>"
                              "<div class=\"slider\" data-widget-type=\"Slider\"></div>")
            << QStringList{QStringLiteral("unknown-widget-type: data-widget-type=\"Slider\""),
                           QStringLiteral("unknown-widget-type: data-widget-type=\"tabs\"")};
        // Looked for inside the widget, nested widgets and all; a Popup's
        // anywhere in the module. Several classes, or other selectors, are
        // not judged.
        QTest::newRow("classes a config names that nothing has")
            << "professional"
            << QStringLiteral("<div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config=\"{navCls:'nav', "
                              "contentCls:' .panels ', prevBtnCls:'a b', nextBtnCls:'gone', triggerCls:'#x'}\"><ul class=\"nav\"></ul>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Slide\" data-widget-config=\"{navCls:'panels'}\">"
                              "<div class=\"panels\"></div></div></div><div class=\"gone\"></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Popup\" data-widget-config=\"{trigger:'.gone', "
                              "align:{node:'.lost', points:['cc','cc']}}\"></div>"
                              "<div class=\"J_TWidget\" data-widget-type=\"Countdown\" data-widget-config=\"{timeUnitCls:"
                              "{d:'.d', h:'.h'}, timeRunCls:'run'}\"><i class=\"d\"></i><i class=\"run\"></i></div>")
            << QStringList{QStringLiteral("widget-class-unmatched: gone"), QStringLiteral("widget-class-unmatched: .lost"),
                           QStringLiteral("widget-class-unmatched: .h")};
        // A removed element takes its attributes with it: one finding.
        QTest::newRow("nothing more on a removed element")
            << "basic" << QStringLiteral("<script id=\"x\" onclick=\"y\" class=\"tb-x\" style=\"width:2000px\"></script>")
            << QStringList{QStringLiteral("removed-element: <script id=\"x\" onclick=\"y\" class=\"tb-x\" style=\"width:2000px\">")};
    }

    void findings()
    {
        QFETCH(QString, storefront);
        QFETCH(QString, code);
        QFETCH(QStringList, found);
        const TPublishReport report = Check(code, storefront);
        QCOMPARE(Found(report, code), found);
        for (const TFinding& f : report.Findings) {
            QVERIFY(!f.Message.isEmpty());
            QVERIFY2(!f.Message.contains(u'{'), qPrintable(f.Message));   // every placeholder filled
        }
    }

    void messagesNameWhatWasFound()
    {
        const TPublishReport report = Check(QStringLiteral(
            "<iframe></iframe><p onmouseover=\"x\" class=\"J_TBox\" style=\"width:1024px\"><b style=\"width:1024px\">"
            "<img width=\"2000\"></b></p><p style=\"width:1000px\"></p><div class=\"J_TWidget\" data-widget-type=\"Slider\">"
            "</div><div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config=\"{navCls:'menu'}\"></div>"
            "<div class=\"J_TWidget\" data-widget-type=\"Tabs\" data-widget-config=\"{a:b}\"></div>"));
        QCOMPARE(report.Findings.size(), 8);
        QVERIFY(report.Findings[0].Message.contains(QLatin1String("iframe")));
        QVERIFY(report.Findings[1].Message.contains(QLatin1String("onmouseover")));
        QVERIFY(report.Findings[2].Message.contains(QLatin1String("J_TBox")));
        QVERIFY(report.Findings[3].Message.contains(QLatin1String("1024")));
        QVERIFY(report.Findings[3].Message.contains(QLatin1String("950")));
        // Two nested elements share the block's warning; alone, it says nothing of them.
        QVERIFY2(report.Findings[3].Message.contains(QLatin1String(" 2 ")), qPrintable(report.Findings[3].Message));
        QCOMPARE(report.Findings[4].Message, QStringLiteral("宽 1000px，超出这一版店铺 950px 的布局宽度"));
        QVERIFY(report.Findings[5].Message.contains(QLatin1String("Slider")));
        QVERIFY(report.Findings[6].Message.contains(QLatin1String("navCls")));
        QVERIFY(report.Findings[6].Message.contains(QLatin1String("menu")));
        QVERIFY(report.Findings[7].Message.contains(QStringLiteral("意外的字符 \"b\"")));
    }

    // A tag of 60,000 attributes would keep the parser busy for many
    // seconds: past the first thousand its attributes go unchecked, the
    // report says so, and everything else is found where it is.
    void tagsOfManyAttributesAreCheckedInPart()
    {
        const auto attributes = [](int count) {
            QString list;
            for (int i = 0; i < count; ++i)
                list += QStringLiteral(" a%1").arg(i);
            return list;
        };
        const QString code = QStringLiteral("<a href=\"javascript:alert(1)\">buy</a><span title='x > y'") + attributes(60000) +
                             QStringLiteral(" onclick=\"x()\"></span>\r\n<p id=\"after\">");
        const TPublishReport report = Check(code);
        QCOMPARE(Found(report, code), (QStringList{QStringLiteral("javascript-url: href=\"javascript:alert(1)\""),
                                                   QStringLiteral("id-attribute: id=\"after\"")}));
        QCOMPARE(report.Findings[1].Line, 2);
        QVERIFY2(report.Unfinished.contains(QLatin1String("1000")), qPrintable(report.Unfinished));
        QVERIFY(Check(QStringLiteral("<span") + attributes(1000) + QStringLiteral(">")).Unfinished.isEmpty());
    }

    // However many findings and however long a rule's message, the report
    // stays small: messages cut to a line, the list to what the panel
    // shows, the counts for all.
    void reportsStaySmall()
    {
        TPublishRule rule{QStringLiteral("huge"), TSeverity::Warning, QStringLiteral("{tag}").repeated(100000)};
        rule.Names = QStringList{QStringLiteral("p")};
        const QString code = QStringLiteral("<p>x</p>").repeated(100000);
        const TPublishReport report = CheckPublish({rule}, {{}, code, {}, QStringLiteral("basic")});
        QCOMPARE(report.Findings.size(), 100000);
        QVERIFY(report.Findings[0].Message.size() <= 300);
        const QJsonObject json = PublishReportJson(report);
        QCOMPARE(json.value(QStringLiteral("findings")).toArray().size(), PublishReportListed);
        QCOMPARE(json.value(QStringLiteral("severities")).toArray().at(2)[QStringLiteral("count")].toInt(), 100000);
        QVERIFY(QJsonDocument(json).toJson(QJsonDocument::Compact).size() < 500000);
    }

    // Whatever the code holds, each finding's range is exactly its text, and
    // its line and column are where the code pane shows it.
    void positionsHoldThroughBadInput()
    {
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString megabyte(1 << 20, u'a');
        const QString code = QStringLiteral("<p>\u65b0") + emoji + QChar(0xD800) + QStringLiteral("\r\n") +
                             QChar(0xDC00) + QChar(u'\0') + QStringLiteral("<div <b id=\"a\x00\">\r\r\n<  <3 </x> <span class=\"") +
                             megabyte + QStringLiteral("\" onclick=\"") + megabyte + QStringLiteral("\">\n<p title=\"") +
                             emoji + QStringLiteral("\" id=x><div><ul><li><table><tr><td><img onload=y");
        const TPublishReport report = Check(code);
        QCOMPARE(Found(report, code),
                 (QStringList{QStringLiteral("id-attribute: id=\"a\x00\""),
                              QStringLiteral("event-handler: onclick=\"") + megabyte + u'"',
                              QStringLiteral("id-attribute: id=x"),
                              // Unclosed: the tail's first characters go into the tag.
                              QStringLiteral("event-handler: onload=y")}));
        const QList<int> lines{2, 4, 5, 5};
        for (int i = 0; i < lines.size(); ++i) {
            const TFinding& f = report.Findings[i];
            QCOMPARE(f.Line, lines[i]);
            const qsizetype lineStart = qMax(code.lastIndexOf(u'\n', f.From - 1), code.lastIndexOf(u'\r', f.From - 1)) + 1;
            QCOMPARE(f.Column, int(f.From - lineStart) + 1);
        }
        QVERIFY(report.Findings[1].Excerpt.size() <= 60);
        QVERIFY(!report.Findings[0].Excerpt.contains(QChar(u'\0')));
    }
};

RAVIK_TEST(TestPublishCheck)
#include "tst_publishcheck.moc"
