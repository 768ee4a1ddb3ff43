#include "Application.h"
#include "Exception.h"
#include "FakeDialogs.h"
#include "TestMain.h"

#include <QEvent>
#include <QTimer>

namespace {
// An object whose event handler fails the way a command handler can.
class Thrower : public QObject {
public:
    int handled = 0;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            ++handled;
            throw Exception(QStringLiteral("Cannot create file \"x\". 拒绝访问"));
        }
        if (e->type() == QEvent::User + 1) {
            ++handled;
            throw std::runtime_error("plain failure");
        }
        return QObject::event(e);
    }
};
}

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void exceptionInHandlerIsShownAndLoopGoesOn()
    {
        FakeDialogs dialogs;
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
        QCoreApplication::processEvents();
        QCOMPARE(thrower.handled, 2);
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("Cannot create file \"x\". 拒绝访问"));
        QCOMPARE(dialogs.messages[0].caption, TApplication::Title());
        QCOMPARE(dialogs.messages[1].text, QStringLiteral("plain failure"));

        // The loop still delivers events after the failures.
        bool fired = false;
        QTimer::singleShot(0, [&] { fired = true; });
        QTRY_VERIFY(fired);
    }

    void fileErrorCarriesPathAndReason()
    {
        EFCreateError e(QStringLiteral("/tmp/a.txt"), QStringLiteral("No such file or directory"));
        QCOMPARE(e.Message(), QStringLiteral("Cannot create file \"/tmp/a.txt\". No such file or directory"));
        QCOMPARE(QString::fromUtf8(e.what()), e.Message());
    }
};

RAVIK_TEST(TestApplication)
#include "tst_application.moc"
