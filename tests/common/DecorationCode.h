#pragma once
// Generated decoration code, for the tests that need realistic input.
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

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
