// Qt's own dialogs, as the editor opens them, speak Chinese: their buttons
// are read off the dialog while it is on screen, then it is closed.
#include "Dialogs.h"
#include "Startup.h"
#include "TestMain.h"
#include "Unitravik.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFontDialog>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>

namespace {
// Runs `act` on the next modal dialog other than `outer` that comes up; a
// dialog that has not come after a while is given up on.
void OnNextModal(const std::function<void(QDialog*)>& act, QWidget* outer = nullptr)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(20);
    auto* deadline = new QElapsedTimer;
    deadline->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const bool found = dialog && dialog != outer;
        if (!found && deadline->elapsed() < 15000)
            return;
        poll->stop();
        poll->deleteLater();
        delete deadline;
        if (found)
            act(dialog);
    });
    poll->start();
}

// The captions of every button of the modal dialog that comes up while
// `open` runs; the dialog is rejected once they are read.
QStringList ButtonsOfModal(const std::function<void()>& open)
{
    QStringList captions;
    OnNextModal([&](QDialog* dialog) {
        for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
            if (b->isVisible() && qobject_cast<QDialogButtonBox*>(b->parentWidget()))
                // Without the accelerator mark, written "保存(&S)" in Chinese.
                captions << b->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)$"))).remove(QLatin1Char('&'));
        }
        dialog->reject();
    });
    open();
    captions.sort();
    return captions;
}
}

class TestWindowDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        QVERIFY(InstallChineseTranslations(*app));
    }

    void cleanupTestCase()
    {
        for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }

    void messageBoxSaveAndFontDialogsHaveChineseButtons()
    {
        TQtDialogs dialogs;
        QWidget owner;
        owner.resize(300, 200);
        owner.show();

        const QStringList message = ButtonsOfModal(
            [&] { dialogs.ShowMessage(&owner, QStringLiteral("替换完毕！"), QStringLiteral("ravik"), TMsgIcon::None); });
        QCOMPARE(message, QStringList{QStringLiteral("确定")});

        TSaveRequest request;
        request.filters = QStringList{QStringLiteral("代码(*.txt)")};
        QString fileName;
        bool saved = true;
        const QStringList save = ButtonsOfModal([&] { saved = dialogs.ExecuteSave(&owner, request, fileName); });
        QVERIFY(!saved);   // rejected: nothing chosen
        QVERIFY(save.contains(QStringLiteral("保存")));
        QVERIFY(save.contains(QStringLiteral("取消")));
        QVERIFY(!save.contains(QStringLiteral("Save")) && !save.contains(QStringLiteral("Cancel")));

        TFontChoice choice;
        choice.font = QFont(QStringLiteral("Tahoma"));
        bool confirmed = true;
        const QStringList font = ButtonsOfModal([&] { confirmed = dialogs.ExecuteFont(&owner, choice); });
        QVERIFY(!confirmed);
        QCOMPARE(font, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
    }

    void fontDialogSetsThePaneFontAndColour()
    {
        Tfrmravik window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor navy(0, 0, 128);

        // First run: opens on "Tahoma" 11 px, black; a size and a named colour are picked.
        TFontChoice shown;
        OnNextModal([&](QDialog* d) {
            auto* dialog = qobject_cast<TFontDialog*>(d);
            if (!dialog) {
                d->reject();
                QFAIL("the font dialog offers no colour");
            }
            shown = dialog->Choice();
            dialog->FontPart()->setCurrentFont(QFont(QStringLiteral("DejaVu Serif"), 20));
            dialog->ColorBox()->setCurrentIndex(dialog->ColorBox()->findText(QStringLiteral("藏青色")));
            dialog->accept();
        });
        QTest::mouseClick(window.vmbtbtn2, Qt::LeftButton);
        QCOMPARE(shown.font.pixelSize(), 11);
        QCOMPARE(shown.color, QColor(Qt::black));
        QCOMPARE(window.redt1->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(window.redt1->font().pointSize(), 20);
        QCOMPARE(window.redt1->palette().color(QPalette::Text), navy);

        // Second run: opens on that choice; a custom colour is picked in the
        // colour dialog, then the font dialog is cancelled: nothing changes.
        QColor custom;
        OnNextModal([&](QDialog* d) {
            auto* dialog = qobject_cast<TFontDialog*>(d);
            if (!dialog) {
                d->reject();
                QFAIL("the font dialog offers no colour");
            }
            QCOMPARE(dialog->ColorBox()->currentText(), QStringLiteral("藏青色"));
            OnNextModal(
                [](QDialog* colors) {
                    qobject_cast<QColorDialog*>(colors)->setCurrentColor(QColor(1, 2, 3));
                    colors->accept();
                },
                dialog);
            dialog->ColorBox()->setFocus();
            QTest::keyClick(dialog->ColorBox(), Qt::Key_End);   // "自定义..."
            custom = dialog->Choice().color;
            dialog->reject();
        });
        QTest::mouseClick(window.vmbtbtn2, Qt::LeftButton);
        QCOMPARE(custom, QColor(1, 2, 3));
        QCOMPARE(window.redt1->palette().color(QPalette::Text), navy);
        QCOMPARE(window.redt1->font().pointSize(), 20);
    }
};

RAVIK_TEST(TestWindowDialogs)
#include "tst_window_dialogs.moc"
