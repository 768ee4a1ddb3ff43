#include "PublishChecker.h"
#include "PublishReportJson.h"
#include "TestMain.h"

#include <QFile>
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

    // Every way a check can end without a report: input that brings gumbo
    // down (an assertion in its tree builder), input that keeps it busy for
    // minutes, no program at all, a program that writes no report or a
    // flood. Each says why under "unfinished", with the page's region, so
    // that the page shows it where findings would go; the editor goes on.
    void checksThatFailSayWhyWithTheRegion()
    {
        const auto program = [&](const QString& name, const QByteArray& output) {
            const QString path = dir_.filePath(name);
            QFile script(path);
            if (!script.open(QIODevice::WriteOnly))
                return QString();
            script.write("#!/bin/sh\ncat >/dev/null\n" + output + "\n");
            script.close();
            script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
            return path;
        };

        TPublishChecker checker;
        checker.SetRulesFile(QString());
        const QJsonValue region = PublishReportJson(CheckPublish({}, Page({}))).value(QStringLiteral("region"));
        QVERIFY(region.isObject());
        const auto unfinished = [&](const TPublishInput& input, const QString& why) {
            const QJsonObject report = Run(checker, input);
            const QString reason = report.value(QStringLiteral("unfinished")).toString();
            return report.value(QStringLiteral("region")) == region && report.value(QStringLiteral("findings")).isArray() &&
                   reason.contains(why);
        };
        QVERIFY(unfinished(Page(QStringLiteral("<table><svg><select><desc><select><table>")), QStringLiteral("出错")));

        checker.SetTimeLimit(300);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(unfinished(Page(QStringLiteral("<div>").repeated(200000)), QStringLiteral("秒")));
        QVERIFY(timer.elapsed() < 5000);

        checker.SetProgram(program(QStringLiteral("no-report.sh"), "echo '{\"findings\": 7}'"));
        QVERIFY(unfinished(Page(QStringLiteral("<p id=x>")), QStringLiteral("无法读取")));
        // Far more than any report is not read into the editor.
        checker.SetProgram(program(QStringLiteral("flood.sh"), "head -c 100000000 /dev/zero"));
        QVERIFY(unfinished(Page(QStringLiteral("<p id=x>")), QStringLiteral("MB")));
        checker.SetProgram(dir_.filePath(QStringLiteral("missing-program")));
        QVERIFY(unfinished(Page(QStringLiteral("<p id=x>")), QStringLiteral("missing-program")));
    }
};

RAVIK_TEST(TestPublishChecker)
#include "tst_publishchecker.moc"
