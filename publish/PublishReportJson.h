#pragma once
// A report of the publish check in the form the preview page's script reads
// (and the checking process writes):
//   { "note": "...",                       when there is one
//     "unfinished": "...",                 why the check did not cover all of
//                                          the code, when it did not
//     "region": {"tag": "div", "index": 57, "class": "J_TModule"},
//     "severities": [{"name": "refused", "label": "会被拒绝", "count": 1}, ...],
//     "findings": [{"severity": "removed", "message": "...", "excerpt": "...",
//                   "line": 1, "column": 5, "from": 4, "to": 10,
//                   "element": 3, "tag": "div", "attribute": "id"}, ...] }
// Severities come worst first, with a count for each; the counts cover every
// finding, the list only the first PublishReportListed of them (all the
// panel shows), so that a report stays small whatever the code holds.
#include "PublishCheck.h"

#include <QJsonObject>

inline constexpr int PublishReportListed = 300;

QJsonObject PublishReportJson(const TPublishReport& report);
