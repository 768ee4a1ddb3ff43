#include "PictureFormats.h"
#include "Startup.h"
#include "TestMain.h"

#include <QApplication>
#include <QBuffer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QTranslator>

#include <unistd.h>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void requestedFontsMapToInstalledOnes()
    {
        RegisterFontSubstitutions();
        const QStringList installed{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                                    QStringLiteral("DejaVu Sans")};
        for (const char* name : {"宋体", "新宋体", "Tahoma", "Verdana", "Marlett"}) {
            QFont font(QString::fromUtf8(name));
            font.setPixelSize(16);
            // The font keeps the name it was asked for (saved rich text names it)...
            QCOMPARE(font.family(), QString::fromUtf8(name));
            // ...and draws with an installed face.
            const QString actual = QFontInfo(font).family();
            QVERIFY2(installed.contains(actual), qPrintable(QString::fromUtf8(name) + QStringLiteral(" -> ") + actual));
            QVERIFY(QFontMetrics(font).inFont(QLatin1Char('A')));
        }
        for (const char* name : {"宋体", "新宋体"}) {
            QFont font(QString::fromUtf8(name));
            QVERIFY2(QFontMetrics(font).inFont(QChar(0x597D)), name);   // 好
        }
    }

    void qtDialogsSpeakChinese()
    {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        QVERIFY(InstallChineseTranslations(*app));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
        for (QTranslator* t : app->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("OK"));
    }

    void jpegIsRegisteredAndReadable()
    {
        QVERIFY(RegisterPictureFormats());
        QCOMPARE(PictureFormatDescription(QStringLiteral("jpeg")), QStringLiteral("JPEG Image File"));
        QCOMPARE(PictureFormatDescription(QStringLiteral("jpg")), QStringLiteral("JPEG Image File"));
        QCOMPARE(PictureFormatDescription(QStringLiteral("JPG")), QStringLiteral("JPEG Image File"));
        QVERIFY(PictureFormatDescription(QStringLiteral("gif")).isEmpty());
        QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));

        QImage image(16, 8, QImage::Format_RGB32);
        image.fill(QColor(200, 40, 40));
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&out, "JPG"));
        QVERIFY(bytes.startsWith("\xFF\xD8\xFF"));
        QBuffer in(&bytes);
        QImageReader reader(&in);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage back = reader.read();
        QCOMPARE(back.size(), QSize(16, 8));
        const QColor pixel = back.pixelColor(8, 4);
        QVERIFY(qAbs(pixel.red() - 200) < 12 && qAbs(pixel.green() - 40) < 12 && qAbs(pixel.blue() - 40) < 12);
    }

    void browserProcessSettings()
    {
        const QByteArray sandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--foo");
        PrepareProcess();
        PrepareProcess();
        QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), geteuid() == 0);
        if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
            QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray("--foo --disable-gpu"));
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", sandbox);
        if (sandbox.isNull())
            qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
};

RAVIK_TEST(TestStartup)
#include "tst_startup.moc"
