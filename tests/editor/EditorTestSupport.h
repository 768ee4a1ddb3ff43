#pragma once
// Shared pieces of the editor tests: a code pane set up like the main
// window's, colours read back per character, and generated decoration code.
#include "CodePane.h"
#include "EditorCommands.h"

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

// One-line decoration code in the manner of the storefronts' custom modules:
// banners, nested positioned blocks, tables, item lists and navigation bars.
inline QString DecorationFragment(quint32 seed, int minChars)
{
    QRandomGenerator r(seed);
    const QStringList cn{QStringLiteral("新品上市"), QStringLiteral("包邮"), QStringLiteral("限时折扣"),
                         QStringLiteral("店长推荐"), QStringLiteral("领优惠券")};
    auto word = [&] { return cn[r.bounded(int(cn.size()))]; };
    QString s;
    int n = 1000;
    while (s.size() < minChars) {
        const QString id = QString::number(n++);
        switch (r.bounded(5)) {
        case 0:
            s += QStringLiteral("<div style=\"width:750px;margin:0 auto;\"><a href=\"https://example.com/item?id=%1\" "
                                "target=\"_blank\"><img src=\"https://img.example.com/i1/%1.jpg\" style=\"width:750px\"/></a></div>")
                     .arg(id);
            break;
        case 1:
            s += QStringLiteral("<div class=\"shop-section\" style=\"position:relative;\"><div style=\"left:%2px;\">"
                                "<a href=\"https://example.com/item?id=%1&amp;spm=a1z10\" style=\"display:block;\"></a></div>"
                                "<div style=\"color:#333;\">%3 %4</div></div>")
                     .arg(id).arg(r.bounded(700)).arg(word(), word());
            break;
        case 2:
            s += QStringLiteral("<table width=\"750\" style=\"margin:0 auto;\"><tbody><tr><td width=\"187\">"
                                "<a href=\"https://example.com/item?id=%1\"><img src=\"https://img.example.com/i2/%1.jpg\" "
                                "width=\"180\" style=\"border:0;\"/></a><span style=\"color:#f40;\">%2</span>"
                                "<b>&yen;%3.00</b></td></tr></tbody></table>")
                     .arg(id, word()).arg(r.bounded(9, 999));
            break;
        case 3:
            s += QStringLiteral("<div style=\"overflow:hidden;\"><ul style=\"margin:0;\">");
            for (int k = 0, items = r.bounded(3, 6); k < items; ++k)
                s += QStringLiteral("<li style=\"float:left;\"><a href=\"https://example.com/item?id=%1%2\" title=\"%3\">"
                                    "<img src=\"https://img.example.com/i3/%1%2.jpg\" style=\"width:180px;\"/></a>"
                                    "<p style=\"color:#c40000;\">&yen;%4 %3</p></li>")
                         .arg(id).arg(k).arg(word()).arg(r.bounded(9, 999));
            s += QStringLiteral("</ul></div>");
            break;
        default:
            s += QStringLiteral("<div style=\"height:36px;background:#ff4400;\">");
            for (int k = 0, links = r.bounded(4, 8); k < links; ++k)
                s += QStringLiteral("<a href=\"https://example.com/category-%1-%2.htm\" style=\"color:#fff;\">%3</a>")
                         .arg(id).arg(k).arg(word());
            s += QStringLiteral("</div>");
        }
    }
    return s;
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
