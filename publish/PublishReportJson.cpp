#include "PublishReportJson.h"

#include <QJsonArray>

namespace {
// A note names the user's rule file and what in it is wrong, which may be
// anything the file holds.
constexpr qsizetype kNoteMost = 1000;

QString NoteText(const QString& note)
{
    if (note.size() <= kNoteMost)
        return note;
    const qsizetype most = note[kNoteMost - 2].isHighSurrogate() ? kNoteMost - 2 : kNoteMost - 1;
    return note.left(most) + QChar(0x2026);
}
}

QJsonObject PublishReportJson(const TPublishReport& report)
{
    QJsonObject json;
    if (!report.Note.isEmpty())
        json.insert(QStringLiteral("note"), NoteText(report.Note));
    if (!report.Unfinished.isEmpty())
        json.insert(QStringLiteral("unfinished"), NoteText(report.Unfinished));
    if (report.RegionIndex >= 0)
        json.insert(QStringLiteral("region"), QJsonObject{{QStringLiteral("tag"), report.RegionTag},
                                                          {QStringLiteral("index"), report.RegionIndex},
                                                          {QStringLiteral("class"), report.RegionClass}});

    int counts[3] = {};
    QJsonArray findings;
    for (const TFinding& f : report.Findings) {
        ++counts[static_cast<int>(f.Severity)];
        if (findings.size() >= PublishReportListed)
            continue;
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
