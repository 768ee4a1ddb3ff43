#include "WidgetOptions.h"

#include "AsciiText.h"

std::vector<std::pair<QString, QString>> OptionStrings(const QVariantMap& options, const QString& path)
{
    std::vector<std::pair<QString, QVariant>> level{{QString(), options}};
    for (const QString& key : path.split(u'.')) {
        std::vector<std::pair<QString, QVariant>> next;
        for (const auto& [name, value] : level) {
            if (value.typeId() != QMetaType::QVariantMap)
                continue;
            const QVariantMap map = value.toMap();
            const QString prefix = name.isEmpty() ? QString() : name + u'.';
            if (key == QLatin1String("*")) {
                for (auto it = map.begin(); it != map.end(); ++it)
                    next.emplace_back(prefix + it.key(), it.value());
            } else if (map.contains(key)) {
                next.emplace_back(prefix + key, map.value(key));
            }
        }
        level = std::move(next);
    }
    std::vector<std::pair<QString, QString>> out;
    for (const auto& [name, value] : level) {
        if (value.typeId() == QMetaType::QString)
            out.emplace_back(name, value.toString());
    }
    return out;
}

bool OptionInUse(const QVariantMap& options, const QString& option)
{
    if (option != QLatin1String("navCls") && option != QLatin1String("triggerCls"))
        return true;
    // Read as the widgets read a flag: written as text as often as not.
    const QVariant triggers = options.value(QStringLiteral("hasTriggers"));
    switch (triggers.typeId()) {
    case QMetaType::Bool:
        return triggers.toBool();
    case QMetaType::QString:
        return triggers.toString() != QLatin1String("false") && triggers.toString() != QLatin1String("0");
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return triggers.toDouble() != 0;
    default:
        return true;
    }
}

std::string OptionClass(const QString& value)
{
    QString name = value.trimmed();
    if (name.startsWith(u'.'))
        name.remove(0, 1);
    if (name.isEmpty())
        return {};
    for (const QChar c : name) {
        if (c.isSpace() || QStringView(u".#[]:>+~*,()'\"\\").contains(c))
            return {};
    }
    return name.toStdString();
}

namespace {
bool IsNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}
}

size_t FindOptionValue(std::string_view text, const QString& option, const std::string& value)
{
    size_t at = 0;
    for (const QString& key : option.split(u'.')) {
        const std::string k = key.toStdString();
        for (;; at += k.size()) {
            at = text.find(k, at);
            if (at == std::string_view::npos)
                return at;
            // A key, not a word in a value: a whole name, and a colon
            // follows it.
            if (at > 0 && IsNameCharacter(text[at - 1]))
                continue;
            size_t after = at + k.size();
            if (after < text.size() && (text[after] == '\'' || text[after] == '"'))
                ++after;
            while (after < text.size() && IsHtmlSpace(text[after]))
                ++after;
            if (after < text.size() && text[after] == ':')
                break;
        }
        at += k.size();
    }
    return text.find(value, at);
}
