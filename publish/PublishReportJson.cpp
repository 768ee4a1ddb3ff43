#include "PublishReportJson.h"

#include <QJsonArray>

QJsonObject PublishReportJson(const TPublishReport& report)
{
    QJsonObject json;
    if (!report.Note.isEmpty())
        json.insert(QStringLiteral("note"), report.Note);
    if (report.RegionIndex >= 0)
        json.insert(QStringLiteral("region"), QJsonObject{{QStringLiteral("tag"), report.RegionTag},
                                                          {QStringLiteral("index"), report.RegionIndex},
                                                          {QStringLiteral("class"), report.RegionClass}});

    int counts[3] = {};
    QJsonArray findings;
    for (const TFinding& f : report.Findings) {
        ++counts[static_cast<int>(f.Severity)];
        QJsonObject finding{
            {QStringLiteral("severity"), SeverityName(f.Severity)},
            {QStringLiteral("message"), f.Message},
            {QStringLiteral("excerpt"), f.Excerpt},
            {QStringLiteral("line"), f.Line},
            {QStringLiteral("column"), f.Column},
            {QStringLiteral("from"), f.From},
            {QStringLiteral("to"), f.To},
            {QStringLiteral("element"), f.Element},
            {QStringLiteral("tag"), f.Tag},
        };
        if (!f.Attribute.isEmpty())
            finding.insert(QStringLiteral("attribute"), f.Attribute);
        findings.append(finding);
    }
    QJsonArray severities;
    for (TSeverity s : {TSeverity::Refused, TSeverity::Removed, TSeverity::Warning}) {
        severities.append(QJsonObject{{QStringLiteral("name"), SeverityName(s)},
                                      {QStringLiteral("label"), SeverityLabel(s)},
                                      {QStringLiteral("count"), counts[static_cast<int>(s)]}});
    }
    json.insert(QStringLiteral("severities"), severities);
    json.insert(QStringLiteral("findings"), findings);
    return json;
}

QJsonObject PublishNoteJson(const QString& note)
{
    TPublishReport report;
    report.Note = note;
    return PublishReportJson(report);
}
