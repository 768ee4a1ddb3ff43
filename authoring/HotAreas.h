#pragma once
// Hot areas: the links placed on parts of one picture, as the editor holds
// them while the user draws. Coordinates are CSS pixels of the picture as
// the page shows it, from its top-left corner.
//
// The list order is the stacking order: a later area lies above an earlier
// one and takes the click where they overlap.
#include <QList>
#include <QObject>
#include <QPolygon>
#include <QRect>
#include <QString>

#include <optional>

// How the areas are written into the code.
enum class THotOutput {
    ImageMap,          // <img usemap> and a <map> of <area shape="rect">
    PositionedLinks,   // a relative box of the picture's size holding absolutely placed <a>
};

struct THotArea {
    // What an area is: a rectangle the editor edits, or a shape it keeps as
    // it was written.
    enum class TShape { Rect, Circle, Polygon, Whole, Other };
    TShape Shape = TShape::Rect;
    QRect Rect;            // for kept shapes, their bounds where known
    QPolygon Outline;      // a kept polygon's points
    QString Link;
    bool NewWindow = true;
    QString Tip;

    // The text the area was read from, and how it read then: an area that
    // is written back unchanged keeps its text byte for byte. Empty for a
    // new area.
    QString Original;
    QString Inner;         // a link's content between its tags
    struct TRead {
        QRect Rect;
        QString Link;
        bool NewWindow;
        QString Tip;
    };
    std::optional<TRead> Read;

    bool Editable() const { return Shape == TShape::Rect; }
    bool Unchanged() const
    {
        return Read && Read->Rect == Rect && Read->Link == Link && Read->NewWindow == NewWindow && Read->Tip == Tip;
    }
    // How the list names a kept area.
    QString ShapeName() const;
};

// Why `link` cannot be an area's link, or empty when it can: an address on
// the web (http:, https: or starting "//"), with no white space in it.
QString LinkProblem(const QString& link);

// The areas of one picture with the editor's undo and redo. Every change
// goes through here; a change that leaves the areas as they were records
// nothing.
class THotAreaModel : public QObject {
    Q_OBJECT
public:
    THotAreaModel(QSize picture, QList<THotArea> areas, QObject* parent = nullptr);

    QSize Picture() const { return picture_; }
    const QList<THotArea>& Areas() const { return areas_; }
    int Count() const { return int(areas_.size()); }
    const THotArea& At(int index) const { return areas_[index]; }

    // The selected area, or -1.
    int Selected() const { return selected_; }
    void Select(int index);

    // A new rectangle (kept inside the picture) on top of the others,
    // selected; its index, or -1 when nothing of it lies on the picture.
    int Add(const QRect& rect);
    // The rectangle of area `index`, kept inside the picture: cut to it.
    void SetRect(int index, const QRect& rect);
    // Moves area `index` by `delta`, stopping at the picture's edges.
    void Move(int index, QPoint delta);
    void Remove(int index);
    void SetLink(int index, const QString& link);
    void SetNewWindow(int index, bool on);
    void SetTip(int index, const QString& tip);

    // Changes made between BeginStep and EndStep (a drag, a run of typing
    // in one field) undo as one. `key` names the run: a step begun with the
    // same key as the last one joins it, until another change comes between.
    void BeginStep(const QString& key = {});
    void EndStep();

    bool CanUndo() const { return !undo_.isEmpty(); }
    bool CanRedo() const { return !redo_.isEmpty(); }
    void Undo();
    void Redo();

    // The first editable area whose link is not an address, or -1; `problem`
    // gets why.
    int FirstBadLink(QString* problem = nullptr) const;

signals:
    // The areas changed (count, place or text).
    void Changed();
    void SelectionChanged(int index);

private:
    struct TState {
        QList<THotArea> Areas;
        int Selected;
    };
    QRect Bounded(const QRect& rect) const;
    // Records the state before a change (once per step) and says Changed.
    void Changing();
    void Restore(const TState& state);

    QSize picture_;
    QList<THotArea> areas_;
    int selected_ = -1;
    QList<TState> undo_;
    QList<TState> redo_;
    int stepDepth_ = 0;
    bool stepRecorded_ = false;
    QString stepKey_;
    QString lastKey_;   // the key of the last step that changed something
};
