#pragma once
// What a storefront widget's options (as TWidgetConfigReader reads them)
// say to the publish check, and where in the option text they say it.
#include <QString>
#include <QVariantMap>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The string values at an option path ("align.node" is node in align; "*"
// is any key), each with its full name ("timeUnitCls.*" gives
// "timeUnitCls.h" and the others).
std::vector<std::pair<QString, QString>> OptionStrings(const QVariantMap& options, const QString& path);

// Whether the widget reads `option` at all. A switchable widget whose
// hasTriggers is off has no triggers, so the options that would find them
// (navCls, triggerCls) name nothing it needs: generators leave them in.
bool OptionInUse(const QVariantMap& options, const QString& option);

// The class an option names, as a name ("nav") or a selector of that one
// class (".nav"); empty for anything else (several classes, other
// selectors), which the check does not judge.
std::string OptionClass(const QString& value);

// Where an option's string value is written in the option text (UTF-8):
// after each of its keys in turn, the value's own text. npos when it is not
// written as it reads (escapes in the string).
size_t FindOptionValue(std::string_view text, const QString& option, const std::string& value);
