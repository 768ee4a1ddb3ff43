#include "PlainText.h"

#include <QTextDocument>

QString CodePaneText(const QTextDocument& document)
{
    const QString raw = document.toRawText();
    QString text;
    text.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            text += QLatin1String("\r\n");
        else
            text += c;
    }
    return text;
}
