#pragma once
// A report of the publish check in the form the preview page's script reads
// (and the checking process writes):
//   { "note": "...",                       when there is one
//     "region": {"tag": "div", "index": 57, "class": "J_TModule"},
//     "severities": [{"name": "refused", "label": "会被拒绝", "count": 1}, ...],
//     "findings": [{"severity": "removed", "message": "...", "excerpt": "...",
//                   "line": 1, "column": 5, "from": 4, "to": 10,
//                   "element": 3, "tag": "div", "attribute": "id"}, ...] }
// Severities come worst first, with a count for each.
#include "PublishCheck.h"

#include <QJsonObject>

QJsonObject PublishReportJson(const TPublishReport& report);

// A report that only says why there are no findings.
QJsonObject PublishNoteJson(const QString& note);
