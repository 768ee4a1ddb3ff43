#include "Fragments.h"
#include "PublishCheck.h"
#include "TestMain.h"

namespace {
// A module's code from tests/fragments/, as the code pane holds it (lines
// end in CR LF), inside the professional storefront's column.
QString FragmentCode(const QString& name)
{
    return StoredFragment(name + QStringLiteral(".html")).replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

// Each finding as "rule@line:column: offending text".
QStringList Found(const QString& code)
{
    const QString head = QStringLiteral("<!DOCTYPE html>\r\n<html><head></head><body><div class=\"J_TModule\">\r\n");
    const QString tail = QStringLiteral("</div></body></html>\r\n");
    QStringList found;
    for (const TFinding& f : CheckPublish(BuiltInPublishRules(), {head, code, tail, QStringLiteral("professional")}).Findings)
        found << QStringLiteral("%1@%2:%3: %4").arg(f.Rule).arg(f.Line).arg(f.Column).arg(code.mid(f.From, f.To - f.From));
    return found;
}
}

// Decoration code written after what real shops run: full-screen banners on
// the storefront's absolute classes (placed in pixels or percentages, inside
// wrapping Tabs), Popup arrows, product overlays and menus, countdowns,
// nested Tabs, accordions, scrolling lists, fixed side bars, image maps,
// plain layouts. As
// written it deserves no finding; each copy broken in one place gets the
// finding its fault deserves, where the fault is.
class TestRealFragments : public QObject {
    Q_OBJECT
private slots:
    void cleanCodeGivesNoFinding_data()
    {
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QStringList>("found");
        for (const char* name : {"fullscreen-carousel", "product-grid-popup", "countdown", "nested-tabs", "accordion",
                                 "shop-sign-map", "plain-layout", "fullscreen-percent", "fullscreen-fade", "wrapper-tabs",
                                 "basic-fullscreen", "popup-menus", "item-zoom", "scroll-lists", "flash-sale"})
            QTest::newRow(name) << QString::fromLatin1(name) << QStringList();
    }

    void cleanCodeGivesNoFinding()
    {
        QFETCH(QString, fragment);
        QFETCH(QStringList, found);
        const QString code = FragmentCode(fragment);
        QVERIFY2(!code.isEmpty(), qPrintable(fragment));
        QCOMPARE(Found(code), found);
    }

    void brokenCopyGivesItsFault_data()
    {
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("found");
        QTest::newRow("banner off the page's absolute class")
            << "shop-sign-map" << "sn-simple-logo ss-sign" << "ss-sign" << "wider-than-column@2:63: width:1920px";
        QTest::newRow("product list no longer clipped")
            << "plain-layout" << "background:#fff;overflow:hidden;" << "background:#fff;" << "wider-than-column@13:28: width:960px";
        QTest::newRow("double quotes inside the double-quoted config")
            << "fullscreen-carousel" << "{'navCls':'fs-thumbs'" << "{\"navCls\":\"fs-thumbs\""
            << "widget-config-unreadable@4:83: \"";
        QTest::newRow("config without its closing brace")
            << "accordion" << "{'multiple':true}" << "{'multiple':true" << "widget-config-unreadable@15:93: \"";
        QTest::newRow("thumbnails renamed in the config only")
            << "fullscreen-carousel" << "'navCls':'fs-thumbs'" << "'navCls':'fs-thumb'"
            << "widget-class-unmatched@4:93: fs-thumb";
        QTest::newRow("Popup triggered by a class no product has")
            << "product-grid-popup" << "'trigger':'.pg-i3'" << "'trigger':'.pg-3'" << "widget-class-unmatched@11:88: .pg-3";
        // The other countdowns still have .ks-h: it is looked for in each widget.
        QTest::newRow("hour renamed in the first countdown only")
            << "countdown" << "<span class=\"ks-h\">00</span>" << "<span class=\"ks-hr\">00</span>"
            << "widget-class-unmatched@2:179: .ks-h";
        // Without hasTriggers: false the nav class it names is needed again.
        QTest::newRow("carousel given triggers but no nav of its class")
            << "fullscreen-fade" << "'hasTriggers':false" << "'hasTriggers':'true'"
            << "widget-class-unmatched@6:82: ff-nav";
        QTest::newRow("misspelt widget type") << "nested-tabs" << "\"Compatible\"" << "\"Compatable\""
                                              << "unknown-widget-type@14:31: data-widget-type=\"Compatable\"";
    }

    void brokenCopyGivesItsFault()
    {
        QFETCH(QString, fragment);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, found);
        QString code = FragmentCode(fragment);
        QVERIFY2(code.contains(before), qPrintable(before));
        const QStringList clean = Found(code);
        code.replace(code.indexOf(before), before.size(), after);
        // The fault's finding, beside what the code had before.
        QStringList added = Found(code);
        for (const QString& f : clean)
            QVERIFY2(added.removeOne(f), qPrintable(f));
        QCOMPARE(added, QStringList{found});
    }
};

RAVIK_TEST(TestRealFragments)
#include "tst_realfragments.moc"
