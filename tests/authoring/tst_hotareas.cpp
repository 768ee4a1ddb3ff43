#include "HotAreas.h"
#include "TestMain.h"

class TestHotAreas : public QObject {
    Q_OBJECT
private slots:
    // Drawn, moved or resized, a rectangle stays on the picture.
    void rectanglesStayOnThePicture()
    {
        THotAreaModel model(QSize(200, 100), {});
        QCOMPARE(model.Add(QRect(QPoint(250, 10), QPoint(300, 20))), -1);   // wholly off it
        QCOMPARE(model.Add(QRect(-20, 80, 171, 41)), 0);
        QCOMPARE(model.At(0).Rect, QRect(0, 80, 151, 20));
        QCOMPARE(model.Selected(), 0);
        model.Move(0, QPoint(100, -100));
        QCOMPARE(model.At(0).Rect, QRect(49, 0, 151, 20));
        model.SetRect(0, QRect(190, 90, 50, 50));
        QCOMPARE(model.At(0).Rect, QRect(190, 90, 10, 10));
        // A kept shape is not the editor's to move.
        THotArea circle;
        circle.Shape = THotArea::TShape::Circle;
        circle.Rect = QRect(0, 0, 20, 20);
        THotAreaModel kept(QSize(200, 100), {circle});
        kept.Move(0, QPoint(5, 5));
        QCOMPARE(kept.At(0).Rect, QRect(0, 0, 20, 20));
    }

    void undoesInSteps()
    {
        THotAreaModel model(QSize(200, 100), {});
        model.Add(QRect(0, 0, 10, 10));
        // A drag: many moves, one step.
        model.BeginStep();
        for (int i = 0; i < 5; ++i)
            model.Move(0, QPoint(1, 1));
        model.EndStep();
        // A run of typing in one field is one step; so is a change of another.
        for (const QString& link : {QStringLiteral("h"), QStringLiteral("ht"), QStringLiteral("htt")})
            model.SetLink(0, link);
        model.SetTip(0, QStringLiteral("tip"));
        // A step that comes back to where it began records nothing.
        model.BeginStep();
        model.Move(0, QPoint(3, 0));
        model.Move(0, QPoint(-3, 0));
        model.EndStep();

        model.Undo();
        QCOMPARE(model.At(0).Tip, QString());
        QCOMPARE(model.At(0).Link, QStringLiteral("htt"));
        model.Undo();
        QCOMPARE(model.At(0).Link, QString());
        model.Undo();
        QCOMPARE(model.At(0).Rect, QRect(0, 0, 10, 10));
        model.Undo();
        QCOMPARE(model.Count(), 0);
        QCOMPARE(model.Selected(), -1);
        QVERIFY(!model.CanUndo());
        model.Redo();
        model.Redo();
        QCOMPARE(model.At(0).Rect, QRect(5, 5, 10, 10));
        QCOMPARE(model.Selected(), 0);
        // A new change ends what could be redone.
        model.Remove(0);
        QVERIFY(!model.CanRedo());
        QCOMPARE(model.Selected(), -1);
    }

    void refusesWhatIsNoAddress_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("refused");
        QTest::newRow("https") << "https://shop.example.com/item.htm?id=1&a=2" << false;
        QTest::newRow("http, spaces around") << "  HTTP://shop.example.com " << false;
        QTest::newRow("scheme-relative") << "//detail.example.com/x" << false;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("spaces") << "   " << true;
        QTest::newRow("space inside") << "https://shop.example.com/a b" << true;
        QTest::newRow("javascript") << "javascript:void(0)" << true;
        QTest::newRow("no scheme") << "shop.example.com" << true;
        QTest::newRow("scheme only") << "https://" << true;
    }
    void refusesWhatIsNoAddress()
    {
        QFETCH(QString, link);
        QFETCH(bool, refused);
        QCOMPARE(!LinkProblem(link).isEmpty(), refused);
        THotAreaModel model(QSize(10, 10), {});
        model.Add(QRect(0, 0, 5, 5));
        model.SetLink(0, link);
        QCOMPARE(model.FirstBadLink(), refused ? 0 : -1);
    }
};

RAVIK_TEST(TestHotAreas)
#include "tst_hotareas.moc"
