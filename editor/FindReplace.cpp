#include "FindReplace.h"

#include "Application.h"
#include "Dialogs.h"
#include "PlainText.h"

#include <QStringMatcher>
#include <QTextEdit>

namespace {
void ShowInformation(QTextEdit& pane, const QString& text)
{
    TDialogs::Instance().ShowMessage(pane.window(), text, TApplication::Title(), TMsgIcon::None);
}

// The find text as the pane's text would hold it: any line break in it
// matches one line break of the pane (a lone CR or LF would otherwise match
// half of one), and what the pane shows for a frame marker matches the
// marker pasted into the find text.
QString AsPaneText(const QString& findText)
{
    return PaneSafeText(WithCrLfBreaks(findText));
}
}

QString ReplaceEvery(QStringView text, QStringView find, QStringView replacement, qsizetype* count)
{
    qsizetype replaced = 0;
    QString result;
    if (find.isEmpty()) {
        result = text.toString();
    } else {
        const QStringMatcher matcher(find, Qt::CaseSensitive);
        qsizetype from = 0;
        qsizetype at = matcher.indexIn(text, 0);
        if (at >= 0) {
            result.reserve(text.size());
            while (at >= 0) {
                result.append(text.mid(from, at - from));
                result.append(replacement);
                ++replaced;
                from = at + find.size();
                at = matcher.indexIn(text, from);
            }
            result.append(text.mid(from));
        } else {
            result = text.toString();
        }
    }
    if (count)
        *count = replaced;
    return result;
}

void FindInCodePane(QTextEdit& pane, const QString& typedText)
{
    const QString findText = AsPaneText(typedText);
    const QString text = CodePaneText(*pane.document());
    const qsizetype at = findText.isEmpty() ? -1 : text.indexOf(findText, 0, Qt::CaseSensitive);
    if (at < 0) {
        ShowInformation(pane, QStringLiteral("找不到"));
        return;
    }
    SelectCodePaneText(pane, text, at, at + findText.size());
}

void ReplaceAllInCodePane(QTextEdit& pane, const QString& findText, const QString& replacement)
{
    const QString text = CodePaneText(*pane.document());
    qsizetype count = 0;
    const QString result = ReplaceEvery(text, AsPaneText(findText), replacement, &count);
    if (count == 0) {
        ShowInformation(pane, QStringLiteral("木有要替换的"));
        return;
    }
    SetCodePaneText(pane, result);
    ShowInformation(pane, QStringLiteral("替换完毕！"));
}
