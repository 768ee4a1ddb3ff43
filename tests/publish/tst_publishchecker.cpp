#include "PublishChecker.h"
#include "TestMain.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {
constexpr int kTimeout = 60000;

TPublishInput Page(const QString& code)
{
    return {QStringLiteral("<!DOCTYPE html><html><body><div class=\"J_TModule\">\r\n"), code,
            QStringLiteral("</div></body></html>\r\n"), QStringLiteral("professional")};
}

QJsonObject Run(TPublishChecker& checker, const TPublishInput& input)
{
    QSignalSpy finished(&checker, &TPublishChecker::Finished);
    checker.Start(input);
    if (!finished.wait(kTimeout) || finished.size() != 1)
        return {};
    return finished.at(0).at(0).toJsonObject();
}
}

class TestPublishChecker : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Ten megabytes of decoration code: one report, the last finding exactly
    // where it is.
    void largeCodeIsCheckedInItsOwnProcess()
    {
        const QString block = QStringLiteral(
            "<div class=\"shop-section\" style=\"width:950px;margin:0 auto;\"><a href=\"https://example.com/item?id=1\" "
            "target=\"_blank\"><img src=\"https://img.example.com/i1/1.jpg\" width=\"750\"/></a>"
            "<span style=\"color:#f40;\">新品上市 包邮</span></div>");
        QString code;
        while (code.size() < 10'000'000)
            code += block;
        const qsizetype at = code.size();
        code += QStringLiteral("<p id=\"last\">end</p>");

        TPublishChecker checker;
        checker.SetRulesFile(dir_.filePath(QStringLiteral("none.json")));
        // A check still running gives way to the next one: one report.
        checker.Start(Page(QStringLiteral("<p id=\"first\">")));
        const QJsonObject report = Run(checker, Page(code));
        const QJsonArray findings = report.value(QStringLiteral("findings")).toArray();
        QCOMPARE(findings.size(), 1);
        QCOMPARE(findings[0][QStringLiteral("from")].toInteger(), at + 3);
        QCOMPARE(findings[0][QStringLiteral("to")].toInteger(), at + 12);
        QVERIFY(!checker.Running());
    }

    // Input that brings gumbo down (an assertion in its tree builder), input
    // that keeps it busy for minutes, and no program at all: the editor gets
    // a note instead of findings and goes on.
    void checksThatFailEndInANote()
    {
        TPublishChecker checker;
        checker.SetRulesFile(QString());
        QVERIFY(Run(checker, Page(QStringLiteral("<table><svg><select><desc><select><table>")))
                    .value(QStringLiteral("note")).toString().contains(QStringLiteral("出错")));

        checker.SetTimeLimit(300);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Run(checker, Page(QStringLiteral("<div>").repeated(200000)))
                    .value(QStringLiteral("note")).toString().contains(QStringLiteral("秒")));
        QVERIFY(timer.elapsed() < 5000);

        checker.SetProgram(dir_.filePath(QStringLiteral("missing-program")));
        QVERIFY(Run(checker, Page(QStringLiteral("<p id=x>"))).value(QStringLiteral("note")).toString()
                    .contains(QStringLiteral("missing-program")));
    }
};

RAVIK_TEST(TestPublishChecker)
#include "tst_publishchecker.moc"
