// Qt's own dialogs, as the editor opens them, speak Chinese: their buttons
// are read off the dialog while it is on screen, then it is closed.
#include "Dialogs.h"
#include "Startup.h"
#include "TestMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>

namespace {
// The captions of every button of the modal dialog that comes up while
// `open` runs; the dialog is rejected once they are read.
QStringList ButtonsOfModal(const std::function<void()>& open)
{
    QStringList captions;
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || seen)
            return;
        seen = true;
        for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
            if (b->isVisible() && qobject_cast<QDialogButtonBox*>(b->parentWidget()))
                // Without the accelerator mark, written "保存(&S)" in Chinese.
                captions << b->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)$"))).remove(QLatin1Char('&'));
        }
        dialog->reject();
    });
    poll.start();
    // A dialog that never came would leave `open` waiting: give up after a while.
    QTimer::singleShot(15000, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
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
};

RAVIK_TEST(TestWindowDialogs)
#include "tst_window_dialogs.moc"
