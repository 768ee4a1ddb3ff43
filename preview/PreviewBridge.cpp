#include "PreviewBridge.h"

#include <QJsonArray>

TPreviewBridge::TPreviewBridge(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ravik"));
}

void TPreviewBridge::SetPlacement(const QVariantMap& placement)
{
    placement_ = placement;
    emit PlacementChanged();
}

void TPreviewBridge::Placed(int token, double x, double y) { emit PagePlaced(token, QPointF(x, y)); }

void TPreviewBridge::ClearFindings()
{
    ++serial_;
    pending_ = true;
    findings_ = {};
}

void TPreviewBridge::SetFindings(const QJsonObject& report)
{
    if (!pending_)
        ++serial_;
    pending_ = false;
    findings_ = report;
    // As findings.js decides: a report says something when it has findings,
    // a note, or did not finish, or has no region to show them in.
    const QJsonValue findings = report.value(QStringLiteral("findings"));
    showPanel_ = findings.isArray() &&
                 (!findings.toArray().isEmpty() || report.contains(QStringLiteral("note")) || !pageNotes_.isEmpty() ||
                  report.contains(QStringLiteral("unfinished")) || !report.contains(QStringLiteral("region")));
    emit FindingsReady();
}

QJsonObject TPreviewBridge::Findings() const
{
    if (pending_)
        return {{QStringLiteral("pending"), true}};
    QJsonObject findings = findings_;
    findings.insert(QStringLiteral("serial"), serial_);
    findings.insert(QStringLiteral("folded"), folded_);
    if (!pageNotes_.isEmpty())
        findings.insert(QStringLiteral("pageNotes"), QJsonArray::fromStringList(pageNotes_));
    return findings;
}

void TPreviewBridge::ChooseFinding(int serial, int index)
{
    const QJsonArray list = findings_.value(QStringLiteral("findings")).toArray();
    if (pending_ || serial != serial_ || index < 0 || index >= list.size())
        return;
    const QJsonObject finding = list.at(index).toObject();
    emit FindingChosen(finding.value(QStringLiteral("from")).toInteger(), finding.value(QStringLiteral("to")).toInteger());
}

void TPreviewBridge::SetFindingsFolded(bool folded)
{
    folded_ = folded;
}
