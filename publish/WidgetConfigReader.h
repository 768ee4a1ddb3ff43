#pragma once
// Reads a storefront widget's options (its data-widget-config text) for the
// publish check with the very reader the preview's widgets use,
// preview/web/widget-config.js, run in Qt's JavaScript engine: the check and
// the page cannot disagree on what a config says, as two parsers of the
// same syntax in two languages would.
//
// The engine starts at the first text read, so code without widgets pays
// nothing for it; starting it and loading the file takes about 3 ms, each
// config then some 40 µs.
#include <QJSValue>
#include <QString>
#include <QVariantMap>

#include <memory>

class QJSEngine;

struct TWidgetConfig {
    enum class TState {
        Read,         // Value holds the options
        Unreadable,   // the runtime cannot read the text; Error and Position say why and where
        Unchecked     // the reader could not run (no application object, a fault of ours)
    };
    TState State = TState::Unchecked;
    QVariantMap Value;
    QString Error;
    qsizetype Position = 0;   // in UTF-16 units of the text
};

class TWidgetConfigReader {
public:
    TWidgetConfigReader();
    ~TWidgetConfigReader();
    TWidgetConfigReader(const TWidgetConfigReader&) = delete;
    TWidgetConfigReader& operator=(const TWidgetConfigReader&) = delete;

    TWidgetConfig Read(const QString& text);

private:
    bool Start();

    std::unique_ptr<QJSEngine> engine_;
    QJSValue parse_;
    bool failed_ = false;
};
