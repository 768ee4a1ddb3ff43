#include "PreviewBridge.h"

TPreviewBridge::TPreviewBridge(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ravik"));
}

void TPreviewBridge::SetPlacement(const QVariantMap& placement)
{
    placement_ = placement;
    emit PlacementChanged();
}

void TPreviewBridge::Placed(int token, double x, double y) { emit PagePlaced(token, QPointF(x, y)); }
