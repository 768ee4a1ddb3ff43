#include "PublishCheck.h"
#include "TestMain.h"

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
                                      "<div class=\"shop-section tb J_TWidget\" style=\"width:950px;margin:0 auto;\" "
                                      "data-onclick=\"x\" data-id=\"7\"><a href=\"https://example.com/javascript:x\" "
                                      "target=\"_blank\"><img src=\"https://img.example.com/1.jpg\" width=\"950\"/></a>"
                                      "<!-- <script>alert(1)</script> --><p>onclick=\"x\" id=\"y\" &lt;style&gt;</p>"
                                      "<textarea><iframe src=\"javascript:x\"></textarea>"
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
                              "<i class=\"j_tx TB-x\">y</i><b class=\"tb&#45;x\">z</b></div>")
            << QStringList{QStringLiteral("reserved-class: tb-main"), QStringLiteral("reserved-class: J_TModule"),
                           QStringLiteral("reserved-class: J_TWidgetX"), QStringLiteral("reserved-class: tb-"),
                           QStringLiteral("reserved-class: class=\"tb&#45;x\"")};
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
        const TPublishReport report = Check(QStringLiteral("<iframe></iframe><p onmouseover=\"x\" class=\"J_TBox\" "
                                                           "style=\"width:1024px\">"));
        QCOMPARE(report.Findings.size(), 4);
        QVERIFY(report.Findings[0].Message.contains(QLatin1String("iframe")));
        QVERIFY(report.Findings[1].Message.contains(QLatin1String("onmouseover")));
        QVERIFY(report.Findings[2].Message.contains(QLatin1String("J_TBox")));
        QVERIFY(report.Findings[3].Message.contains(QLatin1String("1024")));
        QVERIFY(report.Findings[3].Message.contains(QLatin1String("950")));
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
