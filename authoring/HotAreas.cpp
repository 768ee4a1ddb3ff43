#include "HotAreas.h"

#include <QUrl>

#include <algorithm>

QString THotArea::ShapeName() const
{
    switch (Shape) {
    case TShape::Rect: return QStringLiteral("矩形");
    case TShape::Circle: return QStringLiteral("圆形");
    case TShape::Polygon: return QStringLiteral("多边形");
    case TShape::Whole: return QStringLiteral("整张图");
    case TShape::Other: break;
    }
    return QStringLiteral("其他位置");
}

QString LinkProblem(const QString& link)
{
    const QString trimmed = link.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("链接是空的");
    for (const QChar c : trimmed) {
        if (c.isSpace() || c.unicode() < 0x20)
            return QStringLiteral("链接里不能有空格");
    }
    const bool web = trimmed.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
                     trimmed.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
                     trimmed.startsWith(QLatin1String("//"));
    // A scheme and nothing after it is no address either.
    const QUrl url = QUrl(trimmed.startsWith(QLatin1String("//")) ? QStringLiteral("https:") + trimmed : trimmed);
    if (!web || url.host().isEmpty())
        return QStringLiteral("链接要以 http://、https:// 或 // 开头，后面是网址");
    return {};
}

namespace {
bool SameAreas(const QList<THotArea>& a, const QList<THotArea>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].Shape != b[i].Shape || a[i].Rect != b[i].Rect || a[i].Link != b[i].Link ||
            a[i].NewWindow != b[i].NewWindow || a[i].Tip != b[i].Tip)
            return false;
    }
    return true;
}
}

THotAreaModel::THotAreaModel(QSize picture, QList<THotArea> areas, QObject* parent)
    : QObject(parent), picture_(picture), areas_(std::move(areas))
{
}

void THotAreaModel::Select(int index)
{
    if (index < -1 || index >= Count())
        index = -1;
    lastKey_.clear();   // typing after a change of selection is a step of its own
    if (index == selected_)
        return;
    selected_ = index;
    emit SelectionChanged(index);
}

QRect THotAreaModel::Bounded(const QRect& rect) const
{
    return rect.normalized().intersected(QRect(QPoint(0, 0), picture_));
}

void THotAreaModel::BeginStep(const QString& key)
{
    if (stepDepth_++ == 0) {
        stepKey_ = key;
        stepRecorded_ = false;
    }
}

void THotAreaModel::EndStep()
{
    if (--stepDepth_ > 0 || !stepRecorded_)
        return;
    if (SameAreas(undo_.constLast().Areas, areas_))
        undo_.removeLast();   // the step came back to where it began
    else
        lastKey_ = stepKey_;
}

void THotAreaModel::Changing()
{
    if (stepRecorded_)
        return;
    stepRecorded_ = true;
    redo_.clear();
    const bool joins = !stepKey_.isEmpty() && stepKey_ == lastKey_ && !undo_.isEmpty();
    if (!joins)
        undo_.append({areas_, selected_});
}

int THotAreaModel::Add(const QRect& rect)
{
    const QRect bounded = Bounded(rect);
    if (bounded.isEmpty())
        return -1;
    BeginStep();
    Changing();
    THotArea area;
    area.Rect = bounded;
    areas_.append(area);
    EndStep();
    emit Changed();
    Select(Count() - 1);
    return Count() - 1;
}

void THotAreaModel::SetRect(int index, const QRect& rect)
{
    const QRect bounded = Bounded(rect);
    if (index < 0 || index >= Count() || !areas_[index].Editable() || bounded.isEmpty() ||
        bounded == areas_[index].Rect)
        return;
    BeginStep();
    Changing();
    areas_[index].Rect = bounded;
    EndStep();
    emit Changed();
}

void THotAreaModel::Move(int index, QPoint delta)
{
    if (index < 0 || index >= Count())
        return;
    const QRect r = areas_[index].Rect;
    const int x = std::clamp(r.x() + delta.x(), 0, std::max(0, picture_.width() - r.width()));
    const int y = std::clamp(r.y() + delta.y(), 0, std::max(0, picture_.height() - r.height()));
    SetRect(index, QRect(QPoint(x, y), r.size()));
}

void THotAreaModel::Remove(int index)
{
    if (index < 0 || index >= Count())
        return;
    BeginStep();
    Changing();
    areas_.removeAt(index);
    EndStep();
    if (selected_ >= index) {
        selected_ = selected_ == index ? -1 : selected_ - 1;
        emit SelectionChanged(selected_);
    }
    emit Changed();
}

void THotAreaModel::SetLink(int index, const QString& link)
{
    if (index < 0 || index >= Count() || areas_[index].Link == link)
        return;
    BeginStep(QStringLiteral("link %1").arg(index));
    Changing();
    areas_[index].Link = link;
    EndStep();
    emit Changed();
}

void THotAreaModel::SetNewWindow(int index, bool on)
{
    if (index < 0 || index >= Count() || areas_[index].NewWindow == on)
        return;
    BeginStep();
    Changing();
    areas_[index].NewWindow = on;
    EndStep();
    emit Changed();
}

void THotAreaModel::SetTip(int index, const QString& tip)
{
    if (index < 0 || index >= Count() || areas_[index].Tip == tip)
        return;
    BeginStep(QStringLiteral("tip %1").arg(index));
    Changing();
    areas_[index].Tip = tip;
    EndStep();
    emit Changed();
}

void THotAreaModel::Restore(const TState& state)
{
    areas_ = state.Areas;
    lastKey_.clear();
    emit Changed();
    if (selected_ != state.Selected) {
        selected_ = state.Selected;
        emit SelectionChanged(selected_);
    }
}

void THotAreaModel::Undo()
{
    if (undo_.isEmpty() || stepDepth_ > 0)
        return;
    redo_.append({areas_, selected_});
    Restore(undo_.takeLast());
}

void THotAreaModel::Redo()
{
    if (redo_.isEmpty() || stepDepth_ > 0)
        return;
    undo_.append({areas_, selected_});
    Restore(redo_.takeLast());
}

int THotAreaModel::FirstBadLink(QString* problem) const
{
    for (int i = 0; i < Count(); ++i) {
        if (!areas_[i].Editable())
            continue;
        const QString why = LinkProblem(areas_[i].Link);
        if (!why.isEmpty()) {
            if (problem)
                *problem = why;
            return i;
        }
    }
    return -1;
}
