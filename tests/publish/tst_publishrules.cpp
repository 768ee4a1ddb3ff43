#include "PublishCheck.h"
#include "TestMain.h"

#include <QFile>
#include <QTemporaryDir>

namespace {
QStringList Ids(const TPublishRules& rules)
{
    QStringList ids;
    for (const TPublishRule& rule : rules)
        ids << rule.Id;
    return ids;
}
}

class TestPublishRules : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString WriteRules(const QByteArray& text)
    {
        const QString path = dir_.filePath(QStringLiteral("publish-rules.json"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
            return {};
        return path;
    }

private slots:
    void userRulesTakeThePlaceOfTheBuiltInOnes()
    {
        // A width rule of the old form reads the style's width and every
        // width attribute; a widget of a type the file names is no fault.
        const QString path = WriteRules(R"({"rules": [
            {"id": "marquee", "severity": "refused", "message": "<{tag}> 不行", "elements": ["MARQUEE"]},
            {"id": "narrow", "severity": "warning", "message": "{width} > {limit}", "maxWidth": {"basic": 300}},
            {"id": "types", "severity": "warning", "message": "{type}?", "widgetTypes": ["Tabs", "Marquee"]},
            {"id": "nav", "severity": "warning", "message": "{option}: {class}",
             "widgetClassOptions": {"Marquee": ["navCls"]}}]})");
        const TLoadedRules loaded = LoadPublishRules(path);
        QCOMPARE(loaded.Problem, QString());
        const QString code = QStringLiteral("<marquee>a</marquee><script></script><div style=\"width:400px\"></div>"
                                            "<div width=\"500\" style=\"min-width:600px\"></div><div class=\"J_TWidget\" "
                                            "data-widget-type=\"Marquee\" data-widget-config=\"{navCls:'n'}\"></div>");
        const TPublishReport report = CheckPublish(loaded.Rules, {{}, code, {}, QStringLiteral("basic")});
        QCOMPARE(report.Findings.size(), 4);
        QCOMPARE(report.Findings[0].Rule, QStringLiteral("marquee"));
        QCOMPARE(report.Findings[0].Severity, TSeverity::Refused);
        QCOMPARE(report.Findings[0].Message, QStringLiteral("<marquee> 不行"));
        QCOMPARE(report.Findings[1].Message, QStringLiteral("400 > 300"));
        QCOMPARE(report.Findings[2].Message, QStringLiteral("500 > 300"));
        QCOMPARE(report.Findings[3].Message, QStringLiteral("navCls: n"));
        // A storefront the file gives no width for is not measured.
        QCOMPARE(CheckPublish(loaded.Rules, {{}, code, {}, QStringLiteral("tmall")}).Findings.size(), 2);
        // No file: the built-in rules.
        QCOMPARE(Ids(LoadPublishRules(dir_.filePath(QStringLiteral("none.json"))).Rules), Ids(BuiltInPublishRules()));
    }

    void brokenUserRulesLeaveTheBuiltInOnesInForce_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("fault");
        QTest::newRow("not JSON") << QByteArray("{\"rules\": [\n  {\"id\": \"a\",}\n]}") << "第 2 行";
        QTest::newRow("no rule list") << QByteArray("[]") << "rules";
        QTest::newRow("no id") << QByteArray(R"({"rules": [{"severity": "removed", "message": "m", "elements": ["p"]}]})")
                               << "第 1 条规则缺少 id";
        QTest::newRow("twice the same id")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "removed", "message": "m", "elements": ["p"]},
                                        {"id": "a", "severity": "removed", "message": "m", "elements": ["b"]}]})")
            << "第 2 条规则（a）";
        QTest::newRow("unknown severity")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "error", "message": "m", "elements": ["p"]}]})") << "severity";
        QTest::newRow("misspelt matcher")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "removed", "message": "m", "element": ["p"]}]})") << "element";
        QTest::newRow("two matchers")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "removed", "message": "m", "elements": ["p"], "attributes": ["id"]}]})")
            << "attributes";
        QTest::newRow("scheme without attributes")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "refused", "message": "m", "urlSchemes": ["data"]}]})")
            << "urlAttributes";
        QTest::newRow("width in words")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "warning", "message": "m", "maxWidth": {"basic": "750px"}}]})")
            << "basic";
        QTest::newRow("empty name list")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "removed", "message": "m", "attributes": []}]})") << "attributes";
        QTest::newRow("a width read from elsewhere")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "warning", "message": "m", "maxWidth": {"basic": 750},
                                         "widthStyles": ["width", "height"]}]})")
            << "widthStyles";
        QTest::newRow("a companion without its matcher")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "warning", "message": "m", "widgetTypes": ["Tabs"],
                                         "lookInModule": ["Popup"]}]})")
            << "lookInModule";
        QTest::newRow("options not by type")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "warning", "message": "m", "widgetClassOptions": ["navCls"]}]})")
            << "widgetClassOptions";
        QTest::newRow("a check of configs that does not exist")
            << QByteArray(R"({"rules": [{"id": "a", "severity": "warning", "message": "m", "widgetConfig": "deep"}]})")
            << "unreadable";
    }

    void brokenUserRulesLeaveTheBuiltInOnesInForce()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, fault);
        const QString path = WriteRules(text);
        const TLoadedRules loaded = LoadPublishRules(path);
        QCOMPARE(Ids(loaded.Rules), Ids(BuiltInPublishRules()));
        QVERIFY2(loaded.Problem.contains(path) && loaded.Problem.contains(fault), qPrintable(loaded.Problem));
    }
};

RAVIK_TEST(TestPublishRules)
#include "tst_publishrules.moc"
