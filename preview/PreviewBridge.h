#pragma once
// The editor's one object in the previewed page. The preview's own scripts
// (preview/web/) reach it through a QWebChannel as `ravik`, in a script
// world of their own, so the page's scripts can neither see nor call it.
// Its members are what those scripts tell the editor or ask of it.
#include <QObject>
#include <QPointF>
#include <QVariantMap>

class TPreviewBridge : public QObject {
    Q_OBJECT
    // Where the page loading now is to open, for the scroll keeper:
    // `token` names the navigation; `atModule` true opens it at the top of
    // the user's module, false at the scroll position `x`, `y`.
    Q_PROPERTY(QVariantMap placement READ Placement NOTIFY PlacementChanged)
public:
    explicit TPreviewBridge(QObject* parent = nullptr);

    QVariantMap Placement() const { return placement_; }
    void SetPlacement(const QVariantMap& placement);

    // The scroll keeper: the page of navigation `token` stands where it
    // should open, scrolled to `x`, `y`.
    Q_INVOKABLE void Placed(int token, double x, double y);

signals:
    void PlacementChanged();
    void PagePlaced(int token, QPointF at);

private:
    QVariantMap placement_;
};
