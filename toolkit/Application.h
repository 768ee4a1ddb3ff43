#pragma once
// The application object. It catches an exception that escapes any event
// handler, shows its message in a modal box and lets the event loop go on:
// no command can take the editor down with it.
#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The program's title: its file name without extension.
    static QString Title();
    // Shows an error the way the default handler does.
    static void ShowException(const QString& message);
};
