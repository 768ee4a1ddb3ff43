#include "ProgramData.h"
#include "TestMain.h"

#include <QDir>

class TestProgramData : public QObject {
    Q_OBJECT
private slots:
    // The build tree keeps the installation's layout: a program built one
    // folder below its root finds the data folder the build made.
    void buildTreeDataFolderIsFoundFromTheProgram()
    {
        const QString folder = ProgramDataFolder();
        QVERIFY2(QDir(folder).exists(), qPrintable(folder));
        QVERIFY2(folder.endsWith(QLatin1String("/share/ravik")), qPrintable(folder));
    }
};

RAVIK_TEST(TestProgramData)
#include "tst_programdata.moc"
