#include "EditorCommands.h"

#include "PlainText.h"
#include "RtfWriter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

const QString kHelpText = QStringLiteral(
    "因预览需要，将按钮隐藏至代码栏的右键上，点击实时预览可以切换预览模式，显示框不够大，"
    "可以选择最大化,输入代码后可点击格式化，如果遇到代码大写，请替换成小写！！");
const QString kHintCaption = QStringLiteral("提示信息");

void PasteIntoCodePane(QTextEdit& pane)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    const QString text = PaneSafeText(data->text());
    if (text.isEmpty())
        return;
    QTextCursor cursor = pane.textCursor();
    cursor.insertText(text, QTextCharFormat());
    pane.setTextCursor(cursor);
}

void CopyFromCodePane(const QTextEdit& pane)
{
    const QTextCursor cursor = pane.textCursor();
    if (!cursor.hasSelection())
        return;
    // Read from the raw text: the selection's own plain-text conversion turns
    // U+00A0 into a space. Line breaks leave as LF, the clipboard's
    // convention here; pasting turns CR LF, CR and LF alike into a break.
    const QString raw = pane.document()->toRawText();
    const int start = cursor.selectionStart();
    const int end = qMin<int>(cursor.selectionEnd(), raw.size());
    QGuiApplication::clipboard()->setText(PlainFromRaw(QStringView(raw).mid(start, end - start), u"\n"));
}

void SelectAllAndCopy(QTextEdit& pane)
{
    pane.selectAll();
    CopyFromCodePane(pane);
    pane.setFocus();
    TDialogs::Instance().ShowMessage(pane.window(), QStringLiteral("代码已被复制！"), kHintCaption,
                                     TMsgIcon::None);
}

void SelectAllInCodePane(QTextEdit& pane)
{
    pane.selectAll();
    pane.setFocus();
}

void ClearCodePane(QTextEdit& pane)
{
    ClearInsertionFormat(pane);
    pane.clear();
    ClearInsertionFormat(pane);
}

TSaveRequest CodeSaveRequest()
{
    TSaveRequest request;
    request.filters = QStringList{QStringLiteral("代码(*.txt)")};
    request.defaultSuffix.clear();
    request.promptOverwrite = false;
    return request;
}

bool SaveCodePaneAs(QTextEdit& pane, const TSaveRequest& request)
{
    QString fileName;
    if (!TDialogs::Instance().ExecuteSave(pane.window(), request, fileName))
        return false;
    fileName += QStringLiteral(".txt");
    const QByteArray rtf = WriteRtf(*pane.document(), pane.palette().color(QPalette::Text));
    SaveFileWhole(fileName, rtf);
    return true;
}

TCodePaneFont::TCodePaneFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    choice_.font = font;
    choice_.color = QColor(0, 0, 0);
}

bool TCodePaneFont::Execute(QTextEdit& pane)
{
    TFontChoice choice = choice_;
    if (!TDialogs::Instance().ExecuteFont(pane.window(), choice))
        return false;
    choice_ = choice;
    SetCodePaneFont(pane, choice_.font);
    if (choice_.color.isValid()) {
        QPalette palette = pane.palette();
        palette.setColor(QPalette::Text, choice_.color);
        pane.setPalette(palette);
    }
    return true;
}

void SetCodePaneFont(QTextEdit& pane, QFont font)
{
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    pane.setFont(font);
}

void ShowHelp(QWidget* owner)
{
    TDialogs::Instance().ShowMessage(owner, kHelpText, kHintCaption, TMsgIcon::None);
}

void CodePaneKeyDown(QTextEdit& pane, int key)
{
    if (key != Qt::Key_Space)
        return;
    QTextCursor cursor = pane.textCursor();
    const bool replacing = cursor.hasSelection();
    // Inside an edit block the cursor does not measure its line afterwards,
    // which in a line of a megabyte means analysing all of it.
    cursor.beginEditBlock();
    cursor.insertText(QStringLiteral("    "));
    cursor.endEditBlock();
    // Without a selection the pane's own caret has moved past the spaces
    // with the text; a replaced selection must be collapsed by hand.
    if (replacing)
        pane.setTextCursor(cursor);
}
