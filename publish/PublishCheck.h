#pragma once
// The publish check: what of a custom module's code the marketplace will
// strip or refuse, found by parsing the page exactly as it is displayed
// (head + code + tail) with a real HTML5 parser, so that every finding has
// the exact place of the offending text in the code and the offending
// element's place in the displayed page.
#include "PublishRules.h"

#include <QList>
#include <QString>

struct TPublishInput {
    QString Head;         // the page up to where the code goes
    QString Code;         // the code pane's text, line breaks as CR LF
    QString Tail;         // the rest of the page
    QString Storefront;   // "basic", "professional" or "tmall": which column width applies
};

struct TFinding {
    QString Rule;          // the rule's id
    TSeverity Severity = TSeverity::Warning;
    QString Message;
    // The offending text is Code.mid(From, To - From): the element's start
    // tag, the attribute, or the one class name or style declaration.
    qsizetype From = 0;
    qsizetype To = 0;
    int Line = 1;          // where From lies in the code pane, both from 1
    int Column = 1;
    QString Excerpt;       // the offending text on one line, shortened
    // The offending element in the displayed page: the Element-th element
    // after the region element in document order, from 1; 0 when the page
    // has no such element (inside <template> or <noscript>, or an attribute
    // that went onto the page's own <body>).
    int Element = 0;
    QString Tag;           // its tag name, lower case
    QString Attribute;     // the offending attribute; empty when the element itself offends
};

struct TPublishReport {
    QList<TFinding> Findings;   // in the order of the code
    // The element the code goes into: the RegionIndex-th <RegionTag> element
    // of the page in document order, from 0.
    QString RegionTag;
    int RegionIndex = -1;
    QString RegionClass;   // its class attribute, to know it by when the page's scripts add elements before it
    QString Note;   // something the user should know about the check itself
    // Why the check did not cover the whole code (the findings, if any, are
    // those of the part it did cover); empty when it did.
    QString Unfinished;
};

TPublishReport CheckPublish(const TPublishRules& rules, const TPublishInput& input);
