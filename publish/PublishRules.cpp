#include "PublishRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>

#include <initializer_list>
#include <utility>

static void InitPublishResources()
{
    // The resources live in a static library: without this reference the
    // linker would drop them from the program.
    Q_INIT_RESOURCE(publish);
}

QString SeverityName(TSeverity severity)
{
    switch (severity) {
    case TSeverity::Refused:
        return QStringLiteral("refused");
    case TSeverity::Removed:
        return QStringLiteral("removed");
    case TSeverity::Warning:
        break;
    }
    return QStringLiteral("warning");
}

QString SeverityLabel(TSeverity severity)
{
    switch (severity) {
    case TSeverity::Refused:
        return QStringLiteral("会被拒绝");
    case TSeverity::Removed:
        return QStringLiteral("会被删除");
    case TSeverity::Warning:
        break;
    }
    return QStringLiteral("警告");
}

namespace {
// Thrown while reading a rule file; caught in ParsePublishRules.
struct TRuleFault {
    QString What;
};

[[noreturn]] void Fault(const QString& what)
{
    throw TRuleFault{what};
}

QString RuleName(int index, const QString& id)
{
    return id.isEmpty() ? QStringLiteral("第 %1 条规则").arg(index + 1)
                        : QStringLiteral("第 %1 条规则（%2）").arg(index + 1).arg(id);
}

// A non-empty list of non-empty strings.
QStringList Strings(const QJsonObject& rule, const QString& key, const QString& where, bool lowerCase)
{
    const QJsonValue value = rule.value(key);
    if (!value.isArray() || value.toArray().isEmpty())
        Fault(QStringLiteral("%1的 %2 应是非空的字符串列表").arg(where, key));
    QStringList list;
    for (const QJsonValue& item : value.toArray()) {
        if (!item.isString() || item.toString().isEmpty())
            Fault(QStringLiteral("%1的 %2 里有一项不是非空字符串").arg(where, key));
        list.append(lowerCase ? item.toString().toLower() : item.toString());
    }
    return list;
}

TSeverity ReadSeverity(const QJsonObject& rule, const QString& where)
{
    const QString name = rule.value(QStringLiteral("severity")).toString();
    for (TSeverity s : {TSeverity::Refused, TSeverity::Removed, TSeverity::Warning}) {
        if (name == SeverityName(s))
            return s;
    }
    Fault(QStringLiteral("%1的 severity 应是 \"refused\"、\"removed\" 或 \"warning\"").arg(where));
}

QHash<QString, int> ReadWidths(const QJsonObject& rule, const QString& where)
{
    const QJsonValue value = rule.value(QStringLiteral("maxWidth"));
    if (!value.isObject() || value.toObject().isEmpty())
        Fault(QStringLiteral("%1的 maxWidth 应写明各版店铺的宽度，如 {\"basic\": 750}").arg(where));
    QHash<QString, int> widths;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const double px = it.value().toDouble(-1);
        if (!it.value().isDouble() || px < 1 || px > 1e6 || px != static_cast<int>(px))
            Fault(QStringLiteral("%1的 maxWidth 中 %2 的宽度应是正整数").arg(where, it.key()));
        widths.insert(it.key(), static_cast<int>(px));
    }
    return widths;
}

TPublishRule ReadRule(const QJsonValue& value, int index, QSet<QString>& ids)
{
    if (!value.isObject())
        Fault(QStringLiteral("%1不是一个对象").arg(RuleName(index, {})));
    const QJsonObject object = value.toObject();
    TPublishRule rule;
    rule.Id = object.value(QStringLiteral("id")).toString();
    const QString where = RuleName(index, rule.Id);
    if (rule.Id.isEmpty())
        Fault(QStringLiteral("%1缺少 id").arg(where));
    if (ids.contains(rule.Id))
        Fault(QStringLiteral("%1的 id 与前面的规则重复").arg(where));
    ids.insert(rule.Id);
    rule.Severity = ReadSeverity(object, where);
    if (!object.value(QStringLiteral("message")).isString() || object.value(QStringLiteral("message")).toString().isEmpty())
        Fault(QStringLiteral("%1缺少 message").arg(where));
    rule.Message = object.value(QStringLiteral("message")).toString();

    // Each matcher, with the keys that may only come with it.
    struct TMatcher {
        const char* key;
        TPublishRule::TMatch match;
        std::initializer_list<const char*> companions;
    };
    static const TMatcher matchers[] = {
        {"elements", TPublishRule::TMatch::Element, {}},
        {"attributes", TPublishRule::TMatch::Attribute, {}},
        {"attributePrefixes", TPublishRule::TMatch::AttributePrefix, {}},
        {"urlSchemes", TPublishRule::TMatch::UrlScheme, {"urlAttributes"}},
        {"classPrefixes", TPublishRule::TMatch::ClassPrefix, {"classExceptions"}},
        {"maxWidth",
         TPublishRule::TMatch::Width,
         {"widthStyles", "widthAttributeElements", "outOfFlowClasses", "overlayWidgets", "nestedMessage"}},
        {"widgetConfig", TPublishRule::TMatch::WidgetConfig, {}},
        {"widgetTypes", TPublishRule::TMatch::WidgetType, {}},
        {"widgetClassOptions", TPublishRule::TMatch::WidgetClass, {"lookInModule"}},
    };
    QStringList known{QStringLiteral("id"), QStringLiteral("severity"), QStringLiteral("message")};
    const TMatcher* found = nullptr;
    for (const TMatcher& m : matchers) {
        known.append(QLatin1String(m.key));
        for (const char* companion : m.companions)
            known.append(QLatin1String(companion));
        if (!object.contains(QLatin1String(m.key)))
            continue;
        if (found)
            Fault(QStringLiteral("%1同时有 %2 和 %3，一条规则只能匹配一种内容").arg(where, QLatin1String(found->key),
                                                                                   QLatin1String(m.key)));
        found = &m;
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!known.contains(it.key()))
            Fault(QStringLiteral("%1有未知的字段 %2").arg(where, it.key()));
    }
    if (!found)
        Fault(QStringLiteral("%1没有写匹配什么（elements、attributes、attributePrefixes、urlSchemes、classPrefixes、"
                             "maxWidth、widgetConfig、widgetTypes 或 widgetClassOptions）")
                  .arg(where));
    for (const TMatcher& m : matchers) {
        for (const char* companion : m.companions) {
            if (&m != found && object.contains(QLatin1String(companion)))
                Fault(QStringLiteral("%1的 %2 只能与 %3 一起用").arg(where, QLatin1String(companion), QLatin1String(m.key)));
        }
    }

    rule.Match = found->match;
    const QString key = QLatin1String(found->key);
    const auto optional = [&](const char* name, QStringList& list, bool lowerCase) {
        if (object.contains(QLatin1String(name)))
            list = Strings(object, QLatin1String(name), where, lowerCase);
    };
    switch (rule.Match) {
    case TPublishRule::TMatch::Width:
        rule.MaxWidth = ReadWidths(object, where);
        optional("widthStyles", rule.WidthStyles, true);
        for (const QString& property : std::as_const(rule.WidthStyles)) {
            if (property != QLatin1String("width") && property != QLatin1String("min-width") &&
                property != QLatin1String("max-width"))
                Fault(QStringLiteral("%1的 widthStyles 只能有 width、min-width 和 max-width").arg(where));
        }
        optional("widthAttributeElements", rule.WidthAttributeElements, true);
        optional("outOfFlowClasses", rule.OutOfFlowClasses, false);
        optional("overlayWidgets", rule.OverlayWidgets, false);
        if (object.contains(QStringLiteral("nestedMessage"))) {
            rule.NestedMessage = object.value(QStringLiteral("nestedMessage")).toString();
            if (rule.NestedMessage.isEmpty())
                Fault(QStringLiteral("%1的 nestedMessage 应是非空字符串").arg(where));
        }
        break;
    case TPublishRule::TMatch::ClassPrefix:
        rule.Names = Strings(object, key, where, false);
        optional("classExceptions", rule.ClassExceptions, false);
        break;
    case TPublishRule::TMatch::UrlScheme:
        rule.Names = Strings(object, key, where, true);
        if (!object.contains(QStringLiteral("urlAttributes")))
            Fault(QStringLiteral("%1缺少 urlAttributes（哪些属性里的链接）").arg(where));
        rule.UrlAttributes = Strings(object, QStringLiteral("urlAttributes"), where, true);
        break;
    case TPublishRule::TMatch::WidgetConfig:
        // The one check of a config as a whole; the key leaves room for more.
        if (object.value(key).toString() != QLatin1String("unreadable"))
            Fault(QStringLiteral("%1的 widgetConfig 应是 \"unreadable\"").arg(where));
        break;
    case TPublishRule::TMatch::WidgetType:
        rule.Names = Strings(object, key, where, false);
        break;
    case TPublishRule::TMatch::WidgetClass: {
        const QJsonValue value = object.value(key);
        if (!value.isObject() || value.toObject().isEmpty())
            Fault(QStringLiteral("%1的 widgetClassOptions 应按组件类型列出配置项，如 {\"Tabs\": [\"navCls\"]}").arg(where));
        const QJsonObject types = value.toObject();
        for (auto it = types.begin(); it != types.end(); ++it)
            rule.ClassOptions.insert(it.key(), Strings(types, it.key(), QStringLiteral("%1的 widgetClassOptions ").arg(where), false));
        optional("lookInModule", rule.LookInModule, false);
        break;
    }
    default:
        rule.Names = Strings(object, key, where, true);
        break;
    }
    return rule;
}

// Line and column (from 1) of a byte offset in UTF-8 text.
QString Position(const QByteArray& text, int offset)
{
    offset = qBound(0, offset, int(text.size()));
    const QByteArray before = text.left(offset);
    const int line = int(before.count('\n')) + 1;
    const int column = int(QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size()) + 1;
    return QStringLiteral("第 %1 行第 %2 列").arg(line).arg(column);
}
}

bool ParsePublishRules(const QByteArray& json, TPublishRules* rules, QString* problem)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    try {
        if (error.error != QJsonParseError::NoError)
            Fault(QStringLiteral("不是正确的 JSON（%1：%2）").arg(Position(json, error.offset), error.errorString()));
        const QJsonValue list = document.object().value(QStringLiteral("rules"));
        if (!document.isObject() || !list.isArray())
            Fault(QStringLiteral("应是一个含有 rules 列表的对象"));
        TPublishRules read;
        // A set: a file of many rules reads in time proportional to its size.
        QSet<QString> ids;
        const QJsonArray array = list.toArray();
        for (int i = 0; i < array.size(); ++i)
            read.append(ReadRule(array.at(i), i, ids));
        *rules = std::move(read);
        return true;
    } catch (const TRuleFault& fault) {
        if (problem)
            *problem = fault.What;
        return false;
    }
}

const TPublishRules& BuiltInPublishRules()
{
    static const TPublishRules rules = [] {
        InitPublishResources();
        QFile file(QStringLiteral(":/publish/rules.json"));
        TPublishRules read;
        QString problem;
        // The file is part of the program; a fault in it is a build fault.
        if (!file.open(QIODevice::ReadOnly) || !ParsePublishRules(file.readAll(), &read, &problem))
            qFatal("Built-in publish rules are unusable: %s", qPrintable(problem));
        return read;
    }();
    return rules;
}

TLoadedRules LoadPublishRules(const QString& userFile)
{
    TLoadedRules loaded{BuiltInPublishRules(), {}};
    if (userFile.isEmpty() || !QFileInfo::exists(userFile))
        return loaded;
    QString problem;
    QFile file(userFile);
    TPublishRules rules;
    if (!file.open(QIODevice::ReadOnly))
        problem = QStringLiteral("无法读取（%1）").arg(file.errorString());
    else if (ParsePublishRules(file.readAll(), &rules, &problem))
        loaded.Rules = std::move(rules);
    if (!problem.isEmpty()) {
        loaded.Problem = QStringLiteral("规则文件 %1 有误：%2。本次按内置规则检查。")
                             .arg(QDir::toNativeSeparators(userFile), problem);
    }
    return loaded;
}

QString UserPublishRulesPath()
{
    // Named for the program, not for the executable that asks.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ravik/publish-rules.json");
}
