#include "Dialogs.h"

#include "BusyCursor.h"
#include "Graphics.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>

namespace {
TDialogs* g_override = nullptr;

struct NamedColor {
    const char* name;
    TColor color;
};
// The classic colours of the desktop's font dialog, in its order.
const NamedColor kFontColors[] = {
    {"黑色", clBlack},   {"褐红色", clMaroon}, {"绿色", clGreen},   {"橄榄色", clOlive},
    {"藏青色", clNavy},  {"紫色", clPurple},   {"深青色", clTeal},  {"灰色", clGray},
    {"银色", clSilver},  {"红色", clRed},      {"酸橙色", clLime},  {"黄色", clYellow},
    {"蓝色", clBlue},    {"紫红色", clFuchsia}, {"水绿色", clAqua}, {"白色", clWhite},
};
constexpr int kCustomIndex = int(std::size(kFontColors));

QIcon Swatch(const QColor& color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(color.isValid() ? color : QColor(Qt::transparent));
    return QIcon(pixmap);
}
}

TDialogs& TDialogs::Instance()
{
    static TQtDialogs real;
    return g_override ? *g_override : real;
}

void TDialogs::SetInstance(TDialogs* dialogs) { g_override = dialogs; }

void TQtDialogs::ShowMessage(QWidget* owner, const QString& text, const QString& caption, TMsgIcon icon)
{
    const TBusyCursor::TPause userTurn;
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool TQtDialogs::ExecuteSave(QWidget* owner, const TSaveRequest& request, QString& fileName)
{
    const TBusyCursor::TPause userTurn;
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.promptOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool TQtDialogs::ExecuteFont(QWidget* owner, TFontChoice& choice)
{
    const TBusyCursor::TPause userTurn;
    TFontDialog dialog(owner);
    dialog.SetChoice(choice);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.Choice();
    return true;
}

bool TQtDialogs::ExecuteDialog(QDialog& dialog)
{
    const TBusyCursor::TPause userTurn;
    return dialog.exec() == QDialog::Accepted;
}

// ---------------------------------------------------------------------------

TFontDialog::TFontDialog(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QFontDialog::tr("Select Font"));

    // Qt's font dialog, without its own buttons, serves as the upper part.
    fontPart_ = new QFontDialog(this);
    fontPart_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fontPart_->setWindowFlags(Qt::Widget);
    fontPart_->setSizeGripEnabled(false);
    fontPart_->layout()->setContentsMargins(0, 0, 0, 0);

    colorBox_ = new QComboBox(this);
    for (const NamedColor& c : kFontColors) {
        const QColor color = ToQColor(c.color);
        colorBox_->addItem(Swatch(color), QString::fromUtf8(c.name), color);
    }
    colorBox_->addItem(Swatch(QColor()), QStringLiteral("自定义..."), QColor());
    connect(colorBox_, &QComboBox::activated, this, &TFontDialog::ColorActivated);
    auto* colorLabel = new QLabel(QStringLiteral("颜色(&C)"), this);
    colorLabel->setBuddy(colorBox_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(colorBox_, 1);
    colorRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fontPart_);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

void TFontDialog::SetChoice(const TFontChoice& choice)
{
    given_ = choice.font;
    QFont shown = choice.font;
    // The dialog lists sizes in points.
    if (shown.pixelSize() > 0)
        shown.setPointSize(std::max(1, qRound(shown.pixelSize() * 72.0 / logicalDpiY())));
    fontPart_->setCurrentFont(shown);
    shown_ = fontPart_->currentFont();

    const QColor color = choice.color.isValid() ? choice.color : QColor(Qt::black);
    int index = kCustomIndex;
    for (int i = 0; i < kCustomIndex; ++i)
        if (colorBox_->itemData(i).value<QColor>().rgb() == color.rgb())
            index = i;
    if (index == kCustomIndex)
        SetCustomColor(color);
    colorBox_->setCurrentIndex(index);
    lastColorIndex_ = index;
}

TFontChoice TFontDialog::Choice() const
{
    TFontChoice choice;
    // Left as it was shown, the font stays exactly the one given (its pixel
    // size and a family that only a substitute stands for here).
    choice.font = fontPart_->currentFont() == shown_ ? given_ : fontPart_->currentFont();
    choice.color = colorBox_->currentData().value<QColor>();
    return choice;
}

void TFontDialog::ColorActivated(int index)
{
    if (index == kCustomIndex) {
        const QColor start = colorBox_->itemData(lastColorIndex_).value<QColor>();
        const QColor picked = QColorDialog::getColor(start, this, QString(), QColorDialog::DontUseNativeDialog);
        if (!picked.isValid()) {
            // Cancelled: the colour shown before stays.
            colorBox_->setCurrentIndex(lastColorIndex_);
            return;
        }
        SetCustomColor(picked);
    }
    lastColorIndex_ = index;
}

void TFontDialog::SetCustomColor(const QColor& color)
{
    colorBox_->setItemData(kCustomIndex, color);
    colorBox_->setItemIcon(kCustomIndex, Swatch(color));
}
