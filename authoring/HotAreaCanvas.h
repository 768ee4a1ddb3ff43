#pragma once
// The picture with its hot areas, where the user draws them: drag on the
// picture to draw a rectangle, inside one to move it (with Ctrl held, to
// draw over it), on the selected one's handles to resize it; arrow keys
// nudge the selected area by a pixel (Shift: ten), Delete removes it,
// Ctrl+wheel zooms.
//
// Shown at a zoom factor: a CSS pixel of the picture is `zoom` pixels of the
// widget. Points are taken at the picture pixel under them, so at 100 % the
// rectangle dragged from one pixel to another starts at the first and ends
// just before the second.
#include "HotAreas.h"

#include <QImage>
#include <QWidget>

class THotAreaCanvas : public QWidget {
    Q_OBJECT
public:
    // `picture` is the picture as the page shows it, at its CSS size; a null
    // image stands for a picture that did not load, shown as a grey box
    // with `address` in it.
    THotAreaCanvas(THotAreaModel& model, const QImage& picture, const QString& address, QWidget* parent = nullptr);

    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    // The next zoom step in (`steps` > 0) or out; Ctrl+wheel takes these.
    static double ZoomStep(double zoom, int steps);

    QSize sizeHint() const override;

    // Where picture point `p` is drawn, and the picture pixel under widget
    // point `w`.
    QPoint ToWidget(QPoint p) const;
    QPoint ToPicture(QPointF w) const;

signals:
    // A rectangle was drawn: the dialog puts the keyboard in its link field.
    void AreaDrawn(int index);
    // Ctrl+wheel asks for another zoom, keeping widget point `at` (in the
    // widget's coordinates before the change) under the pointer.
    void ZoomRequested(double zoom, QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // What a drag does, by where it began.
    enum class TDrag { None, Draw, Move, Resize };
    // The selected area's handle under widget point `w`: a bit per edge it
    // moves (1 left, 2 top, 4 right, 8 bottom), 0 for none.
    int HandleAt(QPoint w) const;
    int AreaAt(QPoint picturePoint) const;
    QRect WidgetRect(const QRect& pictureRect) const;
    void UpdateCursor(QPoint w);

    THotAreaModel& model_;
    QImage picture_;
    QString address_;
    double zoom_ = 1;
    TDrag drag_ = TDrag::None;
    int dragArea_ = -1;
    int dragEdges_ = 0;
    QPoint pressed_;       // picture pixel where the drag began
    QRect original_;       // the area's rectangle then
};
