#include "HotAreaCanvas.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace {
constexpr std::array kZooms{0.25, 1.0 / 3, 0.5, 2.0 / 3, 1.0, 1.5, 2.0, 3.0, 4.0};
constexpr int kHandle = 7;   // a handle's side in widget pixels

const QColor kArea(0, 120, 215);          // an area's outline
const QColor kSelected(255, 140, 0);      // the selected area's
const QColor kKept(140, 140, 140);        // a shape kept as it was written
const QColor kMissing(200, 200, 200);     // a picture that did not load

enum TEdge { Left = 1, Top = 2, Right = 4, Bottom = 8 };
}

THotAreaCanvas::THotAreaCanvas(THotAreaModel& model, const QImage& picture, const QString& address, QWidget* parent)
    : QWidget(parent), model_(model), picture_(picture), address_(address)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    resize(sizeHint());
    connect(&model_, &THotAreaModel::Changed, this, qOverload<>(&QWidget::update));
    connect(&model_, &THotAreaModel::SelectionChanged, this, qOverload<>(&QWidget::update));
}

double THotAreaCanvas::ZoomStep(double zoom, int steps)
{
    if (steps > 0) {
        const auto next = std::upper_bound(kZooms.begin(), kZooms.end(), zoom + 1e-6);
        return next == kZooms.end() ? kZooms.back() : *next;
    }
    const auto below = std::lower_bound(kZooms.begin(), kZooms.end(), zoom - 1e-6);
    return below == kZooms.begin() ? kZooms.front() : *(below - 1);
}

void THotAreaCanvas::SetZoom(double zoom)
{
    zoom = std::clamp(zoom, 0.05, kZooms.back());
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    resize(sizeHint());
    update();
}

QSize THotAreaCanvas::sizeHint() const
{
    const QSize size = model_.Picture();
    return QSize(std::max(1, int(std::ceil(size.width() * zoom_))), std::max(1, int(std::ceil(size.height() * zoom_))));
}

QPoint THotAreaCanvas::ToWidget(QPoint p) const
{
    return QPoint(int(std::lround(p.x() * zoom_)), int(std::lround(p.y() * zoom_)));
}

QPoint THotAreaCanvas::ToPicture(QPointF w) const
{
    return QPoint(int(std::floor(w.x() / zoom_)), int(std::floor(w.y() / zoom_)));
}

QRect THotAreaCanvas::WidgetRect(const QRect& r) const
{
    // Edges lie between pixels: the far ones are where the next pixel starts.
    const QPoint a = ToWidget(r.topLeft());
    const QPoint b = ToWidget(r.topLeft() + QPoint(r.width(), r.height()));
    return QRect(a, b - QPoint(1, 1));
}

void THotAreaCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    const QRect pictureRect(QPoint(0, 0), sizeHint());
    if (picture_.isNull()) {
        painter.fillRect(pictureRect, kMissing);
        painter.setPen(Qt::black);
        painter.drawText(pictureRect.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWrapAnywhere,
                         QStringLiteral("图片没有载入\n") + address_);
    } else {
        // Enlarged, each pixel stays a sharp square, so edges can be placed
        // on it exactly.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1);
        painter.drawImage(pictureRect, picture_);
    }

    for (int i = 0; i < model_.Count(); ++i) {
        const THotArea& a = model_.At(i);
        const bool selected = i == model_.Selected();
        const QColor colour = selected ? kSelected : a.Editable() ? kArea : kKept;
        QColor fill = colour;
        fill.setAlpha(selected ? 70 : 45);
        painter.setPen(QPen(colour, 1, a.Editable() ? Qt::SolidLine : Qt::DashLine));
        painter.setBrush(fill);
        const QRect r = WidgetRect(a.Rect);
        switch (a.Shape) {
        case THotArea::TShape::Circle:
            painter.drawEllipse(r);
            break;
        case THotArea::TShape::Polygon: {
            QPolygon outline;
            for (const QPoint& p : a.Outline)
                outline << ToWidget(p);
            painter.drawPolygon(outline);
            break;
        }
        case THotArea::TShape::Whole:
            painter.drawRect(pictureRect.adjusted(0, 0, -1, -1));
            break;
        case THotArea::TShape::Other:
            continue;   // nowhere to draw it
        case THotArea::TShape::Rect:
            // A stroked rectangle reaches one pixel past its size: the
            // outline lies on the area's own edge pixels.
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        }
        painter.setPen(colour.darker(150));
        painter.drawText(r.topLeft() + QPoint(4, painter.fontMetrics().ascent() + 2), QString::number(i + 1));
        if (selected && a.Editable()) {
            painter.setPen(Qt::black);
            painter.setBrush(Qt::white);
            for (const int x : {r.left(), r.center().x(), r.right()})
                for (const int y : {r.top(), r.center().y(), r.bottom()})
                    if (x != r.center().x() || y != r.center().y())
                        painter.drawRect(x - kHandle / 2, y - kHandle / 2, kHandle - 1, kHandle - 1);
        }
    }
}

int THotAreaCanvas::HandleAt(QPoint w) const
{
    const int s = model_.Selected();
    if (s < 0 || !model_.At(s).Editable())
        return 0;
    const QRect r = WidgetRect(model_.At(s).Rect);
    const auto near = [](int a, int b) { return std::abs(a - b) <= kHandle / 2; };
    int edges = 0;
    if (near(w.x(), r.left()))
        edges |= Left;
    else if (near(w.x(), r.right()))
        edges |= Right;
    else if (!near(w.x(), r.center().x()))
        return 0;
    if (near(w.y(), r.top()))
        edges |= Top;
    else if (near(w.y(), r.bottom()))
        edges |= Bottom;
    else if (!near(w.y(), r.center().y()))
        return 0;
    return edges;   // the centre point itself moves nothing
}

int THotAreaCanvas::AreaAt(QPoint p) const
{
    // The topmost: the last in the list.
    for (int i = model_.Count(); i-- > 0;) {
        const THotArea& a = model_.At(i);
        if (a.Editable() ? a.Rect.contains(p)
                         : a.Shape == THotArea::TShape::Polygon ? a.Outline.containsPoint(p, Qt::OddEvenFill)
                                                                : a.Shape != THotArea::TShape::Other && a.Rect.contains(p))
            return i;
    }
    return -1;
}

void THotAreaCanvas::UpdateCursor(QPoint w)
{
    switch (HandleAt(w)) {
    case Left | Top:
    case Right | Bottom: setCursor(Qt::SizeFDiagCursor); return;
    case Right | Top:
    case Left | Bottom: setCursor(Qt::SizeBDiagCursor); return;
    case Left:
    case Right: setCursor(Qt::SizeHorCursor); return;
    case Top:
    case Bottom: setCursor(Qt::SizeVerCursor); return;
    default: break;
    }
    const int area = AreaAt(ToPicture(w));
    setCursor(area >= 0 && model_.At(area).Editable() && !(QGuiApplication::keyboardModifiers() & Qt::ControlModifier)
                  ? Qt::SizeAllCursor
                  : Qt::CrossCursor);
}

void THotAreaCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || drag_ != TDrag::None)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint w = event->position().toPoint();
    pressed_ = ToPicture(event->position());
    dragEdges_ = HandleAt(w);
    const int area = AreaAt(pressed_);
    model_.BeginStep();
    if (dragEdges_) {
        drag_ = TDrag::Resize;
        dragArea_ = model_.Selected();
    } else if (area >= 0 && !(event->modifiers() & Qt::ControlModifier)) {
        model_.Select(area);
        drag_ = model_.At(area).Editable() ? TDrag::Move : TDrag::None;
        dragArea_ = area;
    } else {
        drag_ = TDrag::Draw;
        dragArea_ = -1;
        model_.Select(-1);
    }
    if (drag_ == TDrag::None)
        model_.EndStep();
    else if (dragArea_ >= 0)
        original_ = model_.At(dragArea_).Rect;
}

void THotAreaCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint w = event->position().toPoint();
    if (drag_ == TDrag::None) {
        UpdateCursor(w);
        return;
    }
    const QPoint p = ToPicture(event->position());
    switch (drag_) {
    case TDrag::Draw: {
        const QRect r(QPoint(std::min(p.x(), pressed_.x()), std::min(p.y(), pressed_.y())),
                      QSize(std::abs(p.x() - pressed_.x()), std::abs(p.y() - pressed_.y())));
        if (dragArea_ < 0) {
            if (!r.isEmpty())
                dragArea_ = model_.Add(r);
        } else {
            model_.SetRect(dragArea_, r);
        }
        break;
    }
    case TDrag::Move: {
        const QPoint wanted = original_.topLeft() + (p - pressed_);
        model_.Move(dragArea_, wanted - model_.At(dragArea_).Rect.topLeft());
        break;
    }
    case TDrag::Resize: {
        // Edges sit between pixels: the nearest boundary to the pointer.
        const QPoint edge(int(std::lround(event->position().x() / zoom_)), int(std::lround(event->position().y() / zoom_)));
        int left = original_.left(), top = original_.top();
        int right = original_.left() + original_.width(), bottom = original_.top() + original_.height();
        if (dragEdges_ & Left)
            left = edge.x();
        if (dragEdges_ & Right)
            right = edge.x();
        if (dragEdges_ & Top)
            top = edge.y();
        if (dragEdges_ & Bottom)
            bottom = edge.y();
        const QRect r(QPoint(std::min(left, right), std::min(top, bottom)),
                      QSize(std::max(1, std::abs(right - left)), std::max(1, std::abs(bottom - top))));
        model_.SetRect(dragArea_, r);
        break;
    }
    case TDrag::None:
        break;
    }
}

void THotAreaCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || drag_ == TDrag::None)
        return;
    const TDrag drag = std::exchange(drag_, TDrag::None);
    const int area = dragArea_;
    model_.EndStep();
    if (drag == TDrag::Draw && area >= 0)
        emit AreaDrawn(area);
    UpdateCursor(event->position().toPoint());
}

void THotAreaCanvas::keyPressEvent(QKeyEvent* event)
{
    const int s = model_.Selected();
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    QPoint by;
    switch (event->key()) {
    case Qt::Key_Left: by = QPoint(-step, 0); break;
    case Qt::Key_Right: by = QPoint(step, 0); break;
    case Qt::Key_Up: by = QPoint(0, -step); break;
    case Qt::Key_Down: by = QPoint(0, step); break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (s >= 0 && drag_ == TDrag::None) {
            model_.Remove(s);
            return;
        }
        break;
    default:
        break;
    }
    if (!by.isNull() && s >= 0 && drag_ == TDrag::None) {
        model_.Move(s, by);
        return;
    }
    QWidget::keyPressEvent(event);
}

void THotAreaCanvas::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
        event->ignore();   // the scroll area scrolls
        return;
    }
    emit ZoomRequested(ZoomStep(zoom_, event->angleDelta().y() > 0 ? 1 : -1), event->position().toPoint());
}
