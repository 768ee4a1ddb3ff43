#include "PreviewBridge.h"

TPreviewBridge::TPreviewBridge(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ravik"));
}
