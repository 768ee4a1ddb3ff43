#pragma once
// What the marketplace does to a custom module's code when it is published,
// as data: a list of rules, each with an id, a severity, the message the
// user reads and one thing it matches. The program carries its own rule file
// (rules.json, built in); a user may replace it with a file of the same
// format in their configuration folder.
//
// The format:
//   { "rules": [ { "id": "...", "severity": "removed", "message": "...",
//                  <exactly one matcher> }, ... ] }
// severity: "refused" (the code cannot be published), "removed" (it is
// published without the offending part) or "warning" (published as it is,
// but likely not what the user wants). The matchers:
//   "elements": [tag names]           the element, from its start tag
//   "attributes": [names]             an attribute with one of the names
//   "attributePrefixes": [prefixes]   an attribute whose name starts so
//   "urlSchemes": [schemes], "urlAttributes": [names]
//                                     a URL with such a scheme in one of the
//                                     attributes
//   "classPrefixes": [prefixes], "classExceptions": [names]
//                                     a class name that starts so and is not
//                                     one of the exceptions
//   "maxWidth": {storefront: px}      an element wider than the storefront's
//                                     column ("basic", "professional",
//                                     "tmall"), one finding per over-wide
//                                     block: what is nested in it adds none
//     "widthStyles": [properties]     the inline style's width properties
//                                     read ("width", "min-width",
//                                     "max-width"); ["width"] by default
//     "widthAttributeElements": [tags] the elements whose width attribute is
//                                     read; by default every element's
//     "outOfFlowClasses": [names]     classes that take an element out of
//                                     the column (the storefront positions
//                                     them absolutely): nothing in one is
//                                     measured, as in an element positioned
//                                     absolutely or fixed by its style
//     "overlayWidgets": [types]       widgets that float over the page: nothing
//                                     in them is measured
//     "nestedMessage": "..."          added to the message when nested
//                                     elements are as wide ({count} of them)
//   "widgetConfig": "unreadable"      a widget (class J_TWidget) whose
//                                     data-widget-config the storefront's
//                                     runtime cannot read ({error} says why)
//   "widgetTypes": [types]            a widget whose data-widget-type is none
//                                     of these ({type})
//   "widgetClassOptions": {type: [options]}
//                                     an option of a widget of that type that
//                                     names a class nothing inside the widget
//                                     has ({option}, {class}); "align.node"
//                                     names an option inside another, "*" any
//     "lookInModule": [types]         widgets whose classes are looked for in
//                                     the whole module instead
// Tag, attribute and scheme names match in any case; class names and widget
// types exactly. A message may name what it found: {tag}, {attribute},
// {class}, {width}, {limit}, {type}, {option} and {error} are replaced.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Worst first.
enum class TSeverity { Refused, Removed, Warning };

// "refused", "removed", "warning": the names in the rule file.
QString SeverityName(TSeverity severity);
// What the user reads: "会被拒绝", "会被删除", "警告".
QString SeverityLabel(TSeverity severity);

struct TPublishRule {
    enum class TMatch {
        Element,
        Attribute,
        AttributePrefix,
        UrlScheme,
        ClassPrefix,
        Width,
        WidgetConfig,
        WidgetType,
        WidgetClass
    };

    QString Id;
    TSeverity Severity = TSeverity::Warning;
    QString Message;
    TMatch Match = TMatch::Element;
    QStringList Names;             // tag names, attribute names, prefixes, schemes or widget types
    QStringList UrlAttributes;     // UrlScheme: the attributes that hold URLs
    QStringList ClassExceptions;   // ClassPrefix: class names that are allowed
    QHash<QString, int> MaxWidth;  // Width: column width by storefront
    QStringList WidthStyles{QStringLiteral("width")};   // Width: style properties read
    QStringList WidthAttributeElements;   // Width: empty for every element
    QStringList OutOfFlowClasses;         // Width
    QStringList OverlayWidgets;           // Width
    QString NestedMessage;                // Width
    QHash<QString, QStringList> ClassOptions;   // WidgetClass: option paths by widget type
    QStringList LookInModule;                   // WidgetClass
};

using TPublishRules = QList<TPublishRule>;

// Reads rules from the text of a rule file. On a fault returns false and
// says what is wrong (in Chinese, naming the rule and the field).
bool ParsePublishRules(const QByteArray& json, TPublishRules* rules, QString* problem);

// The program's own rules.
const TPublishRules& BuiltInPublishRules();

struct TLoadedRules {
    TPublishRules Rules;
    QString Problem;   // why the user's file is not in force; empty when it is, or when there is none
};

// The rules in force: the user's file when it exists and is sound, else the
// built-in rules, with a message saying why the user's file was passed over.
TLoadedRules LoadPublishRules(const QString& userFile);

// Where a user's own rule file lives: ravik/publish-rules.json in the
// user's configuration folder (on Linux ~/.config/ravik/publish-rules.json).
QString UserPublishRulesPath();
