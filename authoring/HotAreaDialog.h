#pragma once
// "编辑热区": the hot-area editor over one picture. The picture shows at
// 100 %, its top-left corner in view, beside the list of its areas (each
// with its link, "新窗口打开" and its tip) and the choice of how they are
// written. Selecting in the list selects on the picture and back; a newly
// drawn area puts the keyboard in its link field, where Enter confirms the
// dialog and Escape cancels it. Ctrl+Z and Ctrl+Y undo and redo every change
// made in the dialog, typing included.
//
// OK is refused, with a message saying which area and why, while an area's
// link is no address or the areas cannot be written in the chosen form.
// The dialog changes no code: its caller reads Areas() and Output().
#include "HotAreas.h"

#include <QDialog>
#include <QImage>
#include <QList>

#include <functional>

class QLabel;
class QRadioButton;
class QScrollArea;
class QVBoxLayout;
class THotAreaCanvas;
class THotAreaRow;

class THotAreaDialog : public QDialog {
    Q_OBJECT
public:
    // Whether the areas can be written in a form, and why not.
    using TAllows = std::function<bool(THotOutput, const QList<THotArea>&, QString*)>;

    // `picture`: the picture at its CSS size `size` as the page shows it, or
    // a null image when it did not load (a grey box with `address` shows).
    THotAreaDialog(const QImage& picture, QSize size, const QString& address, const QList<THotArea>& areas,
                   THotOutput output, TAllows allows, QWidget* parent = nullptr);
    ~THotAreaDialog() override;

    THotAreaModel& Model() { return *model_; }
    const QList<THotArea>& Areas() const { return model_->Areas(); }
    THotOutput Output() const;

    THotAreaCanvas* Canvas() const { return canvas_; }
    QScrollArea* PictureView() const { return view_; }
    QRadioButton* MapChoice() const { return mapChoice_; }
    QRadioButton* LinksChoice() const { return linksChoice_; }
    // The list's row of area `index`: its fields.
    QWidget* LinkField(int index) const;
    QWidget* NewWindowBox(int index) const;
    QWidget* TipField(int index) const;

    // Shows the whole picture in the view, or at 100 %.
    void FitPicture();
    void ActualSize();

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SyncRows();
    void ShowSelection(int index);
    void SetZoom(double zoom, QPoint keep);
    void UpdateChoices();

    THotAreaModel* model_;
    TAllows allows_;
    THotAreaCanvas* canvas_;
    QScrollArea* view_;
    QLabel* zoomLabel_;
    QVBoxLayout* rowsLayout_;
    QWidget* rowsBox_;
    QScrollArea* rowsView_;
    QList<THotAreaRow*> rows_;
    QRadioButton* mapChoice_;
    QRadioButton* linksChoice_;
};
