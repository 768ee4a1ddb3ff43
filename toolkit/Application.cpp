#include "Application.h"

#include "Dialogs.h"
#include "Exception.h"

#include <QFileInfo>
#include <QWidget>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Exception& e) {
        ShowException(e.Message());
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    }
    return true;
}

QString TApplication::Title()
{
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("ravik") : QFileInfo(path).completeBaseName();
}

void TApplication::ShowException(const QString& message)
{
    TDialogs::Instance().ShowMessage(QApplication::activeWindow(), message, Title(), TMsgIcon::Error);
}
