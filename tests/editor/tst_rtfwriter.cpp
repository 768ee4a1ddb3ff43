#include "EditorCommands.h"
#include "EditorTestSupport.h"
#include "Exception.h"
#include "FakeDialogs.h"
#include "Formatting.h"
#include "PlainText.h"
#include "RtfWriter.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace editor_test;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// What a real RTF reader makes of a file: unrtf's HTML, read back into
// characters, each with the colour, font face and weight in force.
struct ReadBack {
    QString text;          // <br> as "\n"
    QList<QString> colour; // "#rrggbb" per character of `text`
    QList<QString> face;
    QList<bool> bold;
};

ReadBack ReadWithUnrtf(const QString& path)
{
    QProcess unrtf;
    unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--html"), path});
    unrtf.waitForFinished(60000);
    const QString html = QString::fromUtf8(unrtf.readAllStandardOutput());
    const qsizetype bodyAt = html.indexOf(QStringLiteral("<body>"));
    const QString body = html.mid(bodyAt + 6).remove(u'\n');

    struct Open { QString name; QString colour; QString face; };
    QList<Open> stack;
    ReadBack out;
    auto put = [&](QChar c) {
        QString colour, face;
        bool bold = false;
        for (const Open& o : stack) {
            if (!o.colour.isEmpty()) colour = o.colour;
            if (!o.face.isNull()) face = o.face;
            if (o.name == u"b") bold = true;
        }
        out.text += c;
        out.colour.append(colour);
        out.face.append(face);
        out.bold.append(bold);
    };
    static const QRegularExpression attr(QStringLiteral("(\\w+)=\"([^\"]*)\""));
    for (qsizetype i = 0; i < body.size();) {
        if (body[i] == u'<') {
            const qsizetype end = body.indexOf(u'>', i);
            const QString tag = body.mid(i + 1, end - i - 1);
            i = end + 1;
            if (tag == u"br") {
                put(u'\n');
            } else if (tag.startsWith(u'/')) {
                const QString name = tag.mid(1);
                while (!stack.isEmpty() && stack.takeLast().name != name) {}
            } else {
                Open o{tag.section(u' ', 0, 0), QString(), QString()};
                for (auto m = attr.globalMatch(tag); m.hasNext();) {
                    const auto a = m.next();
                    if (a.captured(1) == u"color") o.colour = a.captured(2);
                    if (a.captured(1) == u"face") o.face = a.captured(2);
                }
                stack.append(o);
            }
        } else if (body[i] == u'&') {
            const qsizetype end = body.indexOf(u';', i);
            const QString entity = body.mid(i + 1, end - i - 1);
            i = end + 1;
            if (entity.startsWith(u'#')) {
                const uint code = entity.mid(1).toUInt();
                for (const QChar c : QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1))
                    put(c);
            } else {
                static const QHash<QString, QChar> named{{"lt", u'<'}, {"gt", u'>'}, {"amp", u'&'},
                                                          {"quot", u'"'}, {"nbsp", u' '}};
                put(named.value(entity, u'?'));
            }
        } else {
            put(body[i++]);
        }
    }
    return out;
}

QString Hex(const QColor& c)
{
    return c.name(QColor::HexRgb);
}

// unrtf collapses runs of spaces and drops spaces at a line's start; compare
// texts with that taken out.
QString Squeezed(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = line.simplified();
    return lines.join(u'\n');
}

bool HaveUnrtf()
{
    return !QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty();
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT
private slots:
    void realReaderRestoresTextColoursAndFonts()
    {
        if (!HaveUnrtf())
            QSKIP("unrtf is not installed (scripts/setup.sh installs it)");
        QTemporaryDir dir;
        FakeDialogs dialogs;
        auto pane = MakePane();
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(11);
        pane->setFont(font);
        pane->setPlainText(QStringLiteral(
            "<div style=\"color:#f40\">新品上市 {x} a\\b</div><ul><li><a href=\"u\"><img src=\"i.jpg\"/></a></li></ul>"));
        FormatForReading(*pane);
        // One stretch in another font, bold, to see the font table work.
        QTextCursor cursor(pane->document());
        const int at = int(pane->document()->toRawText().indexOf(QStringLiteral("新品")));
        cursor.setPosition(at);
        cursor.setPosition(at + 2, QTextCursor::KeepAnchor);
        QTextCharFormat other;
        other.setFontFamilies({QStringLiteral("DejaVu Sans")});
        other.setFontWeight(QFont::Bold);
        cursor.mergeCharFormat(other);

        dialogs.saveAnswer = dir.filePath(QStringLiteral("code"));
        QVERIFY(SaveCodePaneAs(*pane));
        const QString saved = dir.filePath(QStringLiteral("code.txt"));
        const ReadBack back = ReadWithUnrtf(saved);

        const QString paneText = CodePaneText(*pane->document());
        QCOMPARE(Squeezed(back.text), Squeezed(paneText));

        // Colours and fonts of the characters that carry them.
        const QString raw = pane->document()->toRawText();
        const QList<QColor> colours = CharColours(*pane->document());
        auto checkToken = [&](const QString& token, const QColor& colour) {
            const qsizetype inPane = raw.indexOf(token);
            const qsizetype inBack = back.text.indexOf(token);
            QVERIFY2(inPane >= 0 && inBack >= 0, qPrintable(token));
            QCOMPARE(colours[inPane], colour);
            for (qsizetype i = 0; i < token.size(); ++i)
                QCOMPARE(back.colour[inBack + i], Hex(colour));
        };
        checkToken(QStringLiteral("<div"), QColor(255, 0, 0));
        checkToken(QStringLiteral("</div>"), QColor(255, 0, 0));
        checkToken(QStringLiteral("style="), QColor(0, 200, 200));
        checkToken(QStringLiteral("href="), QColor(0, 0, 255));
        checkToken(QStringLiteral("src="), QColor(255, 0, 255));
        checkToken(QStringLiteral("<li"), QColor(255, 150, 0));
        checkToken(QStringLiteral("</li>"), QColor(255, 150, 0));
        const qsizetype plain = back.text.indexOf(QStringLiteral("color:"));
        QCOMPARE(back.colour[plain], QStringLiteral("#000000"));
        QCOMPARE(back.face[plain], QStringLiteral("Tahoma"));
        QVERIFY(!back.bold[plain]);
        const qsizetype chinese = back.text.indexOf(QStringLiteral("新品"));
        QCOMPARE(back.face[chinese], QStringLiteral("DejaVu Sans"));
        QVERIFY(back.bold[chinese]);
        QCOMPARE(back.face[chinese + 2], QStringLiteral("Tahoma"));
    }

    void streamIsRichTextWithUnicodeEscapes()
    {
        QTextDocument document;
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(16);
        document.setDefaultFont(font);
        document.setPlainText(QStringLiteral("好\t{}\\\u00a0x\u0001\nA"));
        const QByteArray rtf = WriteRtf(document, QColor(0, 0, 0));
        QVERIFY(rtf.startsWith("{\\rtf1"));
        QVERIFY(rtf.trimmed().endsWith('}'));
        // 宋体 in the font table as GBK bytes; 16 px is 12 pt, 24 half-points.
        QVERIFY(rtf.contains("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;"));
        QVERIFY(rtf.contains("\\fs24"));
        QVERIFY(rtf.contains("{\\u22909?}\\tab \\{\\}\\\\{\\u160?}x\\'01\\par"));
        QVERIFY(rtf.contains("{\\colortbl ;\\red0\\green0\\blue0;}"));
        // Braces balance: escaped ones aside, every group closes.
        int depth = 0;
        for (qsizetype i = 0; i < rtf.size(); ++i) {
            if (rtf[i] == '\\') { ++i; continue; }
            if (rtf[i] == '{') ++depth;
            if (rtf[i] == '}') --depth;
            QVERIFY(depth >= 0);
        }
        QCOMPARE(depth, 0);
    }

    void saveAsAppendsTxtAndAsksTheWayItShould()
    {
        QTemporaryDir dir;
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<p>x</p>"));

        dialogs.saveAnswer.clear();   // cancel
        QVERIFY(!SaveCodePaneAs(*pane));
        QVERIFY(QDir(dir.path()).isEmpty());
        QCOMPARE(dialogs.saveRequests.size(), 1);
        const TSaveRequest request = dialogs.saveRequests[0];
        QCOMPARE(request.filters, QStringList{QStringLiteral("代码(*.txt)")});
        QVERIFY(request.defaultSuffix.isEmpty());
        QVERIFY(!request.promptOverwrite);

        dialogs.saveAnswer = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(SaveCodePaneAs(*pane));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("a.txt.txt"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a.txt"))));

        // An existing file is replaced without a question.
        WriteAll(dir.filePath(QStringLiteral("b.txt")), QByteArray(5000, 'z'));
        dialogs.saveAnswer = dir.filePath(QStringLiteral("b"));
        QVERIFY(SaveCodePaneAs(*pane));
        const QByteArray saved = ReadAll(dir.filePath(QStringLiteral("b.txt")));
        QVERIFY(saved.startsWith("{\\rtf1"));
        QVERIFY(saved.contains("<p>x</p>"));
        QVERIFY(!saved.contains('z'));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void fileThatCannotBeCreatedIsReportedAndNothingChanges()
    {
        QTemporaryDir dir;
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("keep me"));
        const QString missing = dir.filePath(QStringLiteral("no/such/dir/x"));
        dialogs.saveAnswer = missing;
        try {
            SaveCodePaneAs(*pane);
            QFAIL("saving into a missing folder succeeded");
        } catch (const EFCreateError& e) {
            QVERIFY2(e.Message().startsWith(QStringLiteral("Cannot create file \"%1.txt\". ").arg(missing)),
                     qPrintable(e.Message()));
            QVERIFY(e.Message().size() > missing.size() + 25);   // the reason follows
        }
        // A name that is a folder.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("d.txt")));
        dialogs.saveAnswer = dir.filePath(QStringLiteral("d"));
        QVERIFY_THROWS_EXCEPTION(EFCreateError, SaveCodePaneAs(*pane));
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("keep me"));
    }

    // A write that fails half-way (here: the file size limit, as a full disk
    // would) must leave the earlier file whole and no stray file behind.
    void failedWriteNeverTruncatesAGoodFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("good.txt"));
        const QByteArray good("{\\rtf1 the good file}");
        WriteAll(path, good);

        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        bool threw = false;
        QString message;
        try {
            SaveFileWhole(path, QByteArray(200000, 'x'));
        } catch (const Exception& e) {
            threw = true;
            message = e.Message();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(threw);
        QCOMPARE(message, QStringLiteral("Failed to Save Stream"));
        QCOMPARE(ReadAll(path), good);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("good.txt")});
    }
};

RAVIK_TEST(TestRtfWriter)
#include "tst_rtfwriter.moc"
