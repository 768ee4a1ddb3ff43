#pragma once
// The editor's one object in the previewed page. The preview's own scripts
// (preview/web/) reach it through a QWebChannel as `ravik`, in a script
// world of their own, so the page's scripts can neither see nor call it.
// Its members are what those scripts tell the editor or ask of it.
#include <QJsonObject>
#include <QObject>
#include <QPointF>
#include <QStringList>
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
    // The live patch: a frame of the page with patch `serial` is committed.
    Q_INVOKABLE void LivePatchPainted(int serial) { emit PatchPainted(serial); }

    // The publish check's findings for the page being shown, as the check
    // reports them (see publish/PublishReportJson.h). A new preview first
    // clears them: its page waits until they are set.
    void ClearFindings();
    void SetFindings(const QJsonObject& report);
    // What the user should know of the page itself (characters the cache
    // page could not hold as typed), shown in the findings panel; set for
    // each page before it loads.
    void SetPageNotes(const QStringList& notes) { pageNotes_ = notes; }
    // Whether the user folded the findings panel away; it stays so for the
    // pages that follow, until the program ends.
    bool FindingsFolded() const { return folded_; }
    // Whether the latest findings set had anything to show (a panel in the
    // page); the next page is expected to have one too.
    bool FindingsShowPanel() const { return showPanel_; }

    // For the page's script: the findings with "serial" (which ChooseFinding
    // names them by), "folded" and any "pageNotes", or {"pending": true}
    // while the check runs.
    Q_INVOKABLE QJsonObject Findings() const;
    // The user clicked a finding of the findings numbered `serial`.
    Q_INVOKABLE void ChooseFinding(int serial, int index);
    Q_INVOKABLE void SetFindingsFolded(bool folded);

signals:
    void PlacementChanged();
    void PagePlaced(int token, QPointF at);
    void PatchPainted(int serial);

    // The findings are known: a waiting page asks for them again.
    void FindingsReady();
    // The offending text of the chosen finding, in code positions (line
    // breaks as CR LF). Not sent for findings that are no longer the latest.
    void FindingChosen(qsizetype from, qsizetype to);

private:
    QVariantMap placement_;
    QJsonObject findings_;
    QStringList pageNotes_;
    int serial_ = 0;
    bool pending_ = false;
    bool folded_ = false;
    bool showPanel_ = false;
};
