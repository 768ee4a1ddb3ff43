#pragma once
// Shared pieces of the editor tests: a code pane set up like the main
// window's, colours read back per character, and generated decoration code.
#include "CodePane.h"
#include "EditorCommands.h"
#include "Fragments.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>

#include <memory>

namespace editor_test {

// A pane like the main window's: "宋体" 16 px, word wrap, no scroll bar.
// `Pane` QTextEdit gives the same pane laid out by Qt's own layout.
template <class Pane = TCodePane>
inline std::unique_ptr<QTextEdit> MakePane(int width = 600, int height = 300)
{
    std::unique_ptr<QTextEdit> pane = std::make_unique<Pane>();
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(16);
    SetCodePaneFont(*pane, font);
    pane->setLineWrapMode(QTextEdit::WidgetWidth);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->resize(width, height);
    return pane;
}

// The foreground colour of every character of the document (invalid where
// the character carries none), in document positions.
inline QList<QColor> CharColours(const QTextDocument& document)
{
    QList<QColor> colours(document.characterCount() - 1);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(QTextFormat::ForegroundBrush))
                continue;
            for (int i = 0; i < fragment.length(); ++i)
                if (fragment.position() + i < colours.size())
                    colours[fragment.position() + i] = format.foreground().color();
        }
    }
    return colours;
}

// Random code built from the tokens the formatting reacts to, their
// look-alikes ("<link", "<DIV", "xsrc="), line breaks of every kind, and
// characters that test the word rule (letters, digits, "_", U+00A0, Chinese,
// a lone surrogate).
inline QString RandomCode(quint32 seed, int pieces)
{
    static const QStringList alphabet{
        QStringLiteral("<div"), QStringLiteral("</div>"), QStringLiteral("<a"), QStringLiteral("</a>"),
        QStringLiteral("<table"), QStringLiteral("</table>"), QStringLiteral("<img"), QStringLiteral("/>"),
        QStringLiteral("<ul"), QStringLiteral("</ul>"), QStringLiteral("<li"), QStringLiteral("</li>"),
        QStringLiteral("<link"), QStringLiteral("<DIV"), QStringLiteral("src="), QStringLiteral("style="),
        QStringLiteral("href="), QStringLiteral("x"), QStringLiteral("7"), QStringLiteral("_"),
        QStringLiteral(" "), QStringLiteral("\""), QStringLiteral(">"), QStringLiteral("="),
        QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("好"),
        QString(QChar(0x00a0)), QString(QChar(0x2028)), QString(QChar(0xd800)), QStringLiteral("\t"),
    };
    QRandomGenerator r(seed);
    QString s;
    for (int i = 0; i < pieces; ++i)
        s += alphabet[r.bounded(int(alphabet.size()))];
    return s;
}

} // namespace editor_test
