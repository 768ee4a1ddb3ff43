#include "WidgetConfigReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QJSEngine>

static void InitReaderResources()
{
    // The resources live in a static library: without this reference the
    // linker would drop them from the program.
    Q_INIT_RESOURCE(publish);
}

TWidgetConfigReader::TWidgetConfigReader() = default;
TWidgetConfigReader::~TWidgetConfigReader() = default;

bool TWidgetConfigReader::Start()
{
    if (engine_ || failed_)
        return !failed_;
    // The engine needs the application object; a program without one gets
    // its configs unchecked rather than a crash.
    failed_ = true;
    if (!QCoreApplication::instance())
        return false;
    InitReaderResources();
    QFile file(QStringLiteral(":/publish/widget-config.js"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    engine_ = std::make_unique<QJSEngine>();
    const QJSValue loaded = engine_->evaluate(QString::fromUtf8(file.readAll()), file.fileName());
    parse_ = engine_->globalObject().property(QStringLiteral("ravikWidgetConfig")).property(QStringLiteral("parse"));
    if (loaded.isError() || !parse_.isCallable()) {
        qWarning("widget-config.js does not load: %s", qPrintable(loaded.toString()));
        return false;
    }
    failed_ = false;
    return true;
}

TWidgetConfig TWidgetConfigReader::Read(const QString& text)
{
    TWidgetConfig config;
    if (!Start())
        return config;
    const QJSValue result = parse_.call({text});
    if (result.isError())
        return config;
    const QJSValue error = result.property(QStringLiteral("error"));
    if (!error.isUndefined()) {
        config.State = TWidgetConfig::TState::Unreadable;
        config.Error = error.toString();
        config.Position = qBound(qsizetype(0), qsizetype(result.property(QStringLiteral("position")).toInt()), text.size());
        return config;
    }
    config.State = TWidgetConfig::TState::Read;
    config.Value = result.property(QStringLiteral("value")).toVariant().toMap();
    return config;
}
