#include "HotAreaDialog.h"

#include "Dialogs.h"
#include "HotAreaCanvas.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>

#include <algorithm>

namespace {
constexpr int kNumberWidth = 64;
constexpr int kTipWidth = 110;
constexpr int kListWidth = 480;   // the list's share of the dialog at first
const QColor kSelectedRow(255, 226, 190);
}

// One line of the list: the area's number (and shape, when it is kept as
// written), its link, "新窗口打开" and its tip.
class THotAreaRow : public QFrame {
public:
    THotAreaRow(int index, QWidget* parent) : QFrame(parent), index_(index)
    {
        setAutoFillBackground(true);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(4, 2, 4, 2);
        number_ = new QLabel(this);
        number_->setFixedWidth(kNumberWidth);
        link_ = new QLineEdit(this);
        link_->setPlaceholderText(QStringLiteral("https://"));
        newWindow_ = new QCheckBox(QStringLiteral("新窗口打开"), this);
        tip_ = new QLineEdit(this);
        tip_->setFixedWidth(kTipWidth);
        layout->addWidget(number_);
        layout->addWidget(link_, 1);
        layout->addWidget(newWindow_);
        layout->addWidget(tip_);
        for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(number_), static_cast<QWidget*>(link_),
                           static_cast<QWidget*>(newWindow_), static_cast<QWidget*>(tip_)})
            w->setProperty("hotAreaRow", index);
    }

    void Show(const THotArea& area, bool selected)
    {
        number_->setText(area.Editable() ? QString::number(index_ + 1)
                                         : QStringLiteral("%1 %2").arg(index_ + 1).arg(area.ShapeName()));
        number_->setToolTip(area.Editable() ? QString() : QStringLiteral("%1热区，保留原样，不能编辑").arg(area.ShapeName()));
        // Set only when it differs: the caret stays where the user types.
        if (link_->text() != area.Link)
            link_->setText(area.Link);
        if (tip_->text() != area.Tip)
            tip_->setText(area.Tip);
        newWindow_->setChecked(area.NewWindow);
        link_->setReadOnly(!area.Editable());
        tip_->setReadOnly(!area.Editable());
        newWindow_->setEnabled(area.Editable());
        QPalette p = palette();
        p.setColor(QPalette::Window, selected ? kSelectedRow : parentWidget()->palette().color(QPalette::Base));
        setPalette(p);
    }

    QLineEdit* Link() const { return link_; }
    QCheckBox* NewWindow() const { return newWindow_; }
    QLineEdit* Tip() const { return tip_; }

private:
    int index_;
    QLabel* number_;
    QLineEdit* link_;
    QCheckBox* newWindow_;
    QLineEdit* tip_;
};

THotAreaDialog::THotAreaDialog(const QImage& picture, QSize size, const QString& address, const QList<THotArea>& areas,
                               THotOutput output, TAllows allows, QWidget* parent)
    : QDialog(parent), model_(new THotAreaModel(size, areas, this)), allows_(std::move(allows))
{
    setWindowTitle(QStringLiteral("编辑热区"));
    setSizeGripEnabled(true);

    // The picture, with its zoom.
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* zoomBar = new QHBoxLayout;
    auto* actual = new QPushButton(QStringLiteral("100%"), left);
    auto* fit = new QPushButton(QStringLiteral("适合窗口"), left);
    for (QPushButton* b : {actual, fit}) {
        b->setAutoDefault(false);   // Enter is OK's
        b->setFocusPolicy(Qt::TabFocus);
        zoomBar->addWidget(b);
    }
    zoomLabel_ = new QLabel(left);
    zoomBar->addWidget(zoomLabel_);
    zoomBar->addStretch(1);
    leftLayout->addLayout(zoomBar);
    canvas_ = new THotAreaCanvas(*model_, picture, address, this);
    view_ = new QScrollArea(left);
    view_->setWidget(canvas_);
    view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view_->setBackgroundRole(QPalette::Dark);
    leftLayout->addWidget(view_, 1);
    auto* hint = new QLabel(QStringLiteral("在图上拖动画出热区；拖动热区移动它，拖动控制点改变大小，按住 Ctrl 可在热区上画新的；"
                                           "方向键微调（Shift 每次 10 像素），Delete 删除，Ctrl+滚轮缩放。"),
                            left);
    hint->setWordWrap(true);
    leftLayout->addWidget(hint);

    // The list and the output choice.
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(5, 0, 5, 0);
    const auto heading = [&](const QString& text, int width) {
        auto* label = new QLabel(text, right);
        if (width > 0)
            label->setFixedWidth(width);
        header->addWidget(label, width > 0 ? 0 : 1);
    };
    // Over the columns of the rows: the box carries its own caption.
    heading(QStringLiteral("热区"), kNumberWidth);
    heading(QStringLiteral("链接"), 0);
    heading(QString(), QCheckBox(QStringLiteral("新窗口打开")).sizeHint().width());
    heading(QStringLiteral("提示文字"), kTipWidth);
    rightLayout->addLayout(header);
    rowsBox_ = new QWidget(right);
    rowsBox_->setBackgroundRole(QPalette::Base);
    rowsLayout_ = new QVBoxLayout(rowsBox_);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    rowsLayout_->addStretch(1);
    rowsView_ = new QScrollArea(right);
    rowsView_->setWidget(rowsBox_);
    rowsView_->setWidgetResizable(true);
    rightLayout->addWidget(rowsView_, 1);
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("写成："), right));
    mapChoice_ = new QRadioButton(QStringLiteral("图片热区（map）"), right);
    linksChoice_ = new QRadioButton(QStringLiteral("定位链接"), right);
    choice->addWidget(mapChoice_);
    choice->addWidget(linksChoice_);
    choice->addStretch(1);
    rightLayout->addLayout(choice);
    (output == THotOutput::ImageMap ? mapChoice_ : linksChoice_)->setChecked(true);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 1);
    splitter->setChildrenCollapsible(false);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &THotAreaDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &THotAreaDialog::reject);

    connect(actual, &QPushButton::clicked, this, &THotAreaDialog::ActualSize);
    connect(fit, &QPushButton::clicked, this, &THotAreaDialog::FitPicture);
    connect(canvas_, &THotAreaCanvas::ZoomRequested, this, &THotAreaDialog::SetZoom);
    connect(canvas_, &THotAreaCanvas::AreaDrawn, this, [this](int index) {
        if (QWidget* field = LinkField(index))
            field->setFocus(Qt::OtherFocusReason);
    });
    connect(model_, &THotAreaModel::Changed, this, [this] {
        SyncRows();
        UpdateChoices();
    });
    connect(model_, &THotAreaModel::SelectionChanged, this, &THotAreaDialog::ShowSelection);
    // Every change in the dialog undoes here, typing in the fields too.
    for (const auto& [keys, redo] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Z), false},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::Key_Y), true},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), true}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, redo = redo] { redo ? model_->Redo() : model_->Undo(); });
    }

    SyncRows();
    UpdateChoices();
    SetZoom(1, {});
    // Room for the picture at 100 % and the list, as far as the screen allows.
    const QRect screen = (parent ? parent->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const int frame = 2 * view_->frameWidth() + view_->verticalScrollBar()->sizeHint().width();
    resize(std::clamp(size.width() + frame + kListWidth + 40, 760, screen.width() * 9 / 10),
           std::clamp(size.height() + frame + 150, 360, screen.height() * 9 / 10));
    splitter->setSizes({width() - kListWidth, kListWidth});
    canvas_->setFocus(Qt::OtherFocusReason);
}

THotAreaDialog::~THotAreaDialog() = default;

THotOutput THotAreaDialog::Output() const
{
    return mapChoice_->isChecked() ? THotOutput::ImageMap : THotOutput::PositionedLinks;
}

QWidget* THotAreaDialog::LinkField(int index) const
{
    return index >= 0 && index < rows_.size() ? rows_[index]->Link() : nullptr;
}

QWidget* THotAreaDialog::NewWindowBox(int index) const
{
    return index >= 0 && index < rows_.size() ? rows_[index]->NewWindow() : nullptr;
}

QWidget* THotAreaDialog::TipField(int index) const
{
    return index >= 0 && index < rows_.size() ? rows_[index]->Tip() : nullptr;
}

void THotAreaDialog::SyncRows()
{
    while (rows_.size() < model_->Count()) {
        const int index = int(rows_.size());
        auto* row = new THotAreaRow(index, rowsBox_);
        rowsLayout_->insertWidget(index, row);
        rows_.append(row);
        connect(row->Link(), &QLineEdit::textEdited, this, [this, index](const QString& text) { model_->SetLink(index, text); });
        connect(row->Tip(), &QLineEdit::textEdited, this, [this, index](const QString& text) { model_->SetTip(index, text); });
        connect(row->NewWindow(), &QCheckBox::clicked, this, [this, index](bool on) { model_->SetNewWindow(index, on); });
        for (QWidget* w : row->findChildren<QWidget*>())
            w->installEventFilter(this);
        row->installEventFilter(this);
    }
    while (rows_.size() > model_->Count())
        delete rows_.takeLast();
    for (int i = 0; i < model_->Count(); ++i)
        rows_[i]->Show(model_->At(i), i == model_->Selected());
}

void THotAreaDialog::ShowSelection(int index)
{
    for (int i = 0; i < rows_.size(); ++i)
        rows_[i]->Show(model_->At(i), i == index);
    if (index >= 0 && index < rows_.size())
        rowsView_->ensureWidgetVisible(rows_[index]);
}

void THotAreaDialog::UpdateChoices()
{
    for (const auto& [button, output] : {std::pair{mapChoice_, THotOutput::ImageMap},
                                         std::pair{linksChoice_, THotOutput::PositionedLinks}}) {
        QString why;
        const bool allowed = allows_ ? allows_(output, model_->Areas(), &why) : true;
        button->setEnabled(allowed);
        button->setToolTip(why);
    }
    // The form chosen cannot be had: the other one, where it can.
    QRadioButton* chosen = Output() == THotOutput::ImageMap ? mapChoice_ : linksChoice_;
    QRadioButton* other = chosen == mapChoice_ ? linksChoice_ : mapChoice_;
    if (!chosen->isEnabled() && other->isEnabled())
        other->setChecked(true);
}

void THotAreaDialog::SetZoom(double zoom, QPoint keep)
{
    // The picture point under `keep` stays where it shows in the view.
    const double old = canvas_->Zoom();
    const QPointF pictureAt = QPointF(keep) / old;
    const QPoint inView = keep - QPoint(view_->horizontalScrollBar()->value(), view_->verticalScrollBar()->value());
    canvas_->SetZoom(zoom);
    const QPointF after = pictureAt * canvas_->Zoom();
    view_->horizontalScrollBar()->setValue(int(after.x()) - inView.x());
    view_->verticalScrollBar()->setValue(int(after.y()) - inView.y());
    zoomLabel_->setText(QStringLiteral("%1%").arg(qRound(canvas_->Zoom() * 100)));
}

void THotAreaDialog::ActualSize()
{
    SetZoom(1, {});
    view_->horizontalScrollBar()->setValue(0);
    view_->verticalScrollBar()->setValue(0);
}

void THotAreaDialog::FitPicture()
{
    const QSize room = view_->viewport()->size() - QSize(2, 2);
    const QSize picture = model_->Picture();
    if (picture.isEmpty() || room.isEmpty())
        return;
    SetZoom(std::min(double(room.width()) / picture.width(), double(room.height()) / picture.height()), {});
}

void THotAreaDialog::accept()
{
    QString why;
    const int bad = model_->FirstBadLink(&why);
    if (bad >= 0) {
        model_->Select(bad);
        if (auto* field = qobject_cast<QLineEdit*>(LinkField(bad))) {
            field->setFocus(Qt::OtherFocusReason);
            field->selectAll();
        }
        TDialogs::Instance().ShowMessage(this, QStringLiteral("第 %1 个热区的链接不能用：%2。").arg(bad + 1).arg(why),
                                         windowTitle(), TMsgIcon::Warning);
        return;
    }
    if (allows_ && !allows_(Output(), model_->Areas(), &why)) {
        TDialogs::Instance().ShowMessage(this, why, windowTitle(), TMsgIcon::Warning);
        return;
    }
    QDialog::accept();
}

bool THotAreaDialog::eventFilter(QObject* watched, QEvent* event)
{
    const QVariant row = watched->property("hotAreaRow");
    if (row.isValid()) {
        if ((event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress) &&
            model_->Selected() != row.toInt()) {
            model_->Select(row.toInt());
            // Chosen in the list, the area comes into the picture's view
            // (never while drawing: the picture would move under the pointer).
            const QPoint centre = canvas_->ToWidget(model_->At(row.toInt()).Rect.center());
            view_->ensureVisible(centre.x(), centre.y(), view_->viewport()->width() / 3, view_->viewport()->height() / 3);
        }
        // The fields' own undo would undo only their text: the dialog's
        // shortcuts take these keys.
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() & Qt::ControlModifier && (key->key() == Qt::Key_Z || key->key() == Qt::Key_Y))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
