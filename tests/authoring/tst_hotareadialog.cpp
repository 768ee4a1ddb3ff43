#include "HotAreaCanvas.h"
#include "HotAreaDialog.h"
#include "TestMain.h"

#include <QRadioButton>

class TestHotAreaDialog : public QObject {
    Q_OBJECT
private slots:
    // A picture the page did not load is a grey box of the element's size
    // with its address; a form the areas cannot be written in is not
    // offered, and the reason shows on it.
    void missingPictureAndFormsNotOffered()
    {
        const auto allows = [](THotOutput output, const QList<THotArea>&, QString* why) {
            if (output == THotOutput::PositionedLinks)
                return true;
            *why = QStringLiteral("背景图不能用图片热区");
            return false;
        };
        THotAreaDialog dialog(QImage(), QSize(300, 80), QStringLiteral("https://img.example.com/gone.jpg"), {},
                              THotOutput::ImageMap, allows);
        QCOMPARE(dialog.Canvas()->size(), QSize(300, 80));
        const QImage shown = dialog.Canvas()->grab().toImage();
        QCOMPARE(QColor(shown.pixel(2, 2)), QColor(200, 200, 200));
        QCOMPARE(QColor(shown.pixel(297, 77)), QColor(200, 200, 200));
        int dark = 0;   // the address, written across the box
        for (int x = 0; x < 300; ++x)
            dark += qGray(shown.pixel(x, 40)) < 100 || qGray(shown.pixel(x, 50)) < 100 || qGray(shown.pixel(x, 30)) < 100;
        QVERIFY(dark > 20);
        QVERIFY(!dialog.MapChoice()->isEnabled());
        QCOMPARE(dialog.MapChoice()->toolTip(), QStringLiteral("背景图不能用图片热区"));
        QVERIFY(dialog.LinksChoice()->isChecked());
        QCOMPARE(dialog.Output(), THotOutput::PositionedLinks);
    }
};

RAVIK_TEST(TestHotAreaDialog)
#include "tst_hotareadialog.moc"
