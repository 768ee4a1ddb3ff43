#pragma once
// The editor's one object in the previewed page. The preview's own scripts
// (preview/web/) reach it through a QWebChannel as `ravik`, in a script
// world of their own, so the page's scripts can neither see nor call it.
// Its members are what those scripts tell the editor or ask of it.
#include <QObject>

class TPreviewBridge : public QObject {
    Q_OBJECT
public:
    explicit TPreviewBridge(QObject* parent = nullptr);
};
