#include "Exception.h"
#include "PageComposer.h"
#include "PageTemplates.h"
#include "TestMain.h"
#include "WorkingDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct VersionInfo {
    TShopVersion version;
    const char* name;
    int headLines;       // about this many lines
    int tailLines;
    const char* layout;  // the layout block of the main column
    const char* width;
};

const VersionInfo kVersions[] = {
    {TShopVersion::Professional, "professional", 370, 226, "grid-m0", "data-width=\"b950\""},
    {TShopVersion::Tmall, "tmall", 165, 39, "grid-m0", "data-width=\"b950\""},
    {TShopVersion::Basic, "basic", 367, 40, "grid-s5m0", "data-width=\"b750\""},
};

QString SourceTemplate(const char* name)
{
    const QString path = QFINDTESTDATA(QStringLiteral("../../preview/templates/%1.html").arg(QLatin1String(name)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QByteArray Gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

// Root passes every permission check, so folder permissions are tested as
// an ordinary user: under root the effective user becomes nobody while this
// lives, and the saved user id brings root back.
class OrdinaryUser {
public:
    OrdinaryUser() : root_(geteuid() == 0) { ok = !root_ || (setegid(65534) == 0 && seteuid(65534) == 0); }
    ~OrdinaryUser()
    {
        if (root_ && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("cannot become root again");
    }
    bool ok = false;

private:
    bool root_;
};

QStringList Lines(const QString& text) { return text.split(QStringLiteral("\r\n")); }

// Sets a folder's permission bits (octal, as chmod takes them).
bool Chmod(const QString& path, int mode)
{
    return ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)) == 0;
}
}

class TestComposition : public QObject {
    Q_OBJECT
private slots:
    void templatesMatchTheirDataFiles()
    {
        for (const auto& v : kVersions) {
            const TPageTemplate& t = PageTemplate(v.version);
            QCOMPARE(t.Head, SourceTemplate((std::string(v.name) + "_head").c_str()));
            QCOMPARE(t.Tail, SourceTemplate((std::string(v.name) + "_tail").c_str()));
            QVERIFY(!t.Head.isEmpty());
        }
    }

    void everyTemplateLineEndsWithCrLf()
    {
        for (const auto& v : kVersions) {
            for (const QString& text : {PageTemplate(v.version).Head, PageTemplate(v.version).Tail}) {
                QVERIFY2(text.endsWith(QStringLiteral("\r\n")), v.name);
                QCOMPARE(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
                QCOMPARE(text.count(QLatin1Char('\r')), text.count(QStringLiteral("\r\n")));
            }
            const int headLines = PageTemplate(v.version).Head.count(QStringLiteral("\r\n"));
            const int tailLines = PageTemplate(v.version).Tail.count(QStringLiteral("\r\n"));
            QVERIFY2(qAbs(headLines - v.headLines) <= v.headLines / 10, qPrintable(QString::number(headLines)));
            QVERIFY2(qAbs(tailLines - v.tailLines) <= qMax(4, v.tailLines / 10), qPrintable(QString::number(tailLines)));
        }
    }

    void templatesHaveTheStorefrontFrame()
    {
        for (const auto& v : kVersions) {
            const QString head = PageTemplate(v.version).Head;
            const QString tail = PageTemplate(v.version).Tail;
            QVERIFY(head.startsWith(QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n")));
            for (const char* needle : {"<meta charset=\"gbk\">", "<meta name=\"data-spm\" content=\"a1z10\"/>",
                                       "<title>", "<body data-spm=\"1\">", "<div id=\"page\"", "<div id=\"header\"",
                                       "<div id=\"content\"", "<div id=\"hd\"", "<div id=\"bd\" >",
                                       "main-wrap J_TRegion", "window.TShop"}) {
                QVERIFY2(head.contains(QLatin1String(needle)), needle);
            }
            // The order of the frame: page, header, content, hd, bd.
            QVERIFY(head.indexOf(QLatin1String("<div id=\"page\"")) < head.indexOf(QLatin1String("<div id=\"header\"")));
            QVERIFY(head.indexOf(QLatin1String("<div id=\"header\"")) < head.indexOf(QLatin1String("<div id=\"content\"")));
            QVERIFY(head.indexOf(QLatin1String("<div id=\"hd\"")) < head.indexOf(QLatin1String("<div id=\"bd\" >")));
            const QString body = head.mid(head.indexOf(QLatin1String("<div id=\"bd\" >")));
            QVERIFY2(body.contains(QStringLiteral("class=\"layout %1 J_TLayout\"").arg(QLatin1String(v.layout))), v.name);
            QVERIFY2(body.contains(QLatin1String(v.width)), v.name);

            // The head ends inside the custom-content module (and its skin box).
            const QStringList lines = Lines(head);
            const QString module = v.version == TShopVersion::Professional ? lines.at(lines.size() - 2)
                                                                           : lines.at(lines.size() - 5);
            QVERIFY2(module.startsWith(QLatin1String("<div class=\"J_TModule\"")), qPrintable(module));
            QVERIFY(module.contains(QLatin1String("data-componentid=\"5003\"")));
            QVERIFY(module.contains(QStringLiteral("data-title=\"自定义内容区\" >")));
            if (v.version != TShopVersion::Professional) {
                QCOMPARE(lines.mid(lines.size() - 4), QStringList({
                    QStringLiteral("<div class=\"skin-box tb-module tshop-pbsm tshop-pbsm-shop-self-defined\">"),
                    QStringLiteral("<s class=\"skin-box-tp\"><b></b></s>"),
                    QStringLiteral("<div class=\"skin-box-bd clear-fix\">"), QString()}));
                QVERIFY(tail.startsWith(QStringLiteral("</div>\r\n<s class=\"skin-box-bt\"><b></b></s>\r\n")));
                QVERIFY(tail.contains(QLatin1String("TShop.ModUtil.initMod(document.getElementById(\"")));
                QVERIFY(tail.contains(QLatin1String("\"), 1);")));
                QVERIFY(tail.contains(QLatin1String("<div id=\"ft\" style=\"display:none;\">")));
            } else {
                QVERIFY(tail.startsWith(QStringLiteral("</div>\r\n")));
                QVERIFY(tail.indexOf(QLatin1String("<div id=\"ft\" >")) < tail.indexOf(QLatin1String("<div id=\"footer\">")));
            }
            QVERIFY(tail.endsWith(QStringLiteral("</body>\r\n</html>\r\n")));

            // The tail closes what the head opened.
            const QString page = head + tail;
            QCOMPARE(page.count(QLatin1String("<div")), page.count(QLatin1String("</div>")));

            // Nothing of the frame needs the network.
            for (const char* remote : {"src=\"http", "src=\"//", "href=\"//", "url(http", "url(//", "@import"})
                QVERIFY2(!page.contains(QLatin1String(remote), Qt::CaseInsensitive), remote);
            QVERIFY(!page.contains(QLatin1String("<link rel=\"stylesheet\"")));

            // Every character of the templates exists in GBK.
            QStringEncoder encoder("GBK");
            const QByteArray bytes = encoder.encode(page);
            QVERIFY2(!encoder.hasError(), v.name);
        }
    }

    void emptyCodeGivesExactlyHeadAndTail()
    {
        for (const auto& v : kVersions) {
            WorkingDir dir(true);
            const QString path = WriteCachePage(v.version, QString());
            QCOMPARE(path, QDir(dir.Path()).absoluteFilePath(QStringLiteral("files/cache.html")));
            const QString head = SourceTemplate((std::string(v.name) + "_head").c_str());
            const QString tail = SourceTemplate((std::string(v.name) + "_tail").c_str());
            const QByteArray bytes = dir.CachePage();
            QCOMPARE(bytes, Gbk(head) + Gbk(tail));
            QVERIFY(bytes.startsWith("<!DOCTYPE html>"));   // no byte-order mark
            // The custom module's title is written in GBK.
            QVERIFY(bytes.contains("data-title=\"\xD7\xD4\xB6\xA8\xD2\xE5\xC4\xDA\xC8\xDD\xC7\xF8\""));
        }
    }

    void codeGoesBetweenHeadAndTailUnchanged()
    {
        const TPageTemplate& pro = PageTemplate(TShopVersion::Professional);
        // Upper case and broken mark-up are not touched; the last line runs
        // into the tail's first line.
        const QString code = QStringLiteral("<DIV CLASS=\"A\">\r\n<p>broken <b>unclosed <img src=x");
        QCOMPARE(ComposePage(pro, code), pro.Head + code + pro.Tail);
        const QByteArray bytes = EncodePage(ComposePage(pro, code));
        QVERIFY(bytes.contains("data-title=\"\xD7\xD4\xB6\xA8\xD2\xE5\xC4\xDA\xC8\xDD\xC7\xF8\" >\r\n"
                               "<DIV CLASS=\"A\">\r\n<p>broken <b>unclosed <img src=x</div>\r\n"));
        // A final line break keeps the tail on its own line.
        const QByteArray ended = EncodePage(ComposePage(pro, QStringLiteral("x\r\n")));
        QVERIFY(ended.contains(" >\r\nx\r\n</div>\r\n</div>\r\n"));
    }

    void textLeavesInGbkWithReferencesForTheRest()
    {
        QCOMPARE(EncodePage(u"好"), QByteArray("\xBA\xC3"));
        QCOMPARE(EncodePage(u"a€b?"), QByteArray("a\x80" "b?"));
        // An emoji is one reference for its whole code point.
        QCOMPARE(EncodePage(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x&#128512;y"));
        // GBK has no no-break space: it must not become '?' or a plain space.
        QCOMPARE(EncodePage(QString(QChar(0xA0))), QByteArray("&#160;"));
        // Lone surrogates (no character at all) show as U+FFFD.
        const QChar high(0xD83D), low(0xDE00);
        QCOMPARE(EncodePage(QString(high) + QLatin1Char('a')), QByteArray("&#65533;a"));
        QCOMPARE(EncodePage(QString(low)), QByteArray("&#65533;"));
        QCOMPARE(EncodePage(QString(low) + QString(high)), QByteArray("&#65533;&#65533;"));
        QCOMPARE(EncodePage(QString(QLatin1Char('z')) + high), QByteArray("z&#65533;"));
        // Mixed text: what GBK holds stays GBK next to the references.
        QCOMPARE(EncodePage(QString::fromUtf8("\xE5\xA5\xBD\xC2\xA0\xE5\xA5\xBD\xF0\x9F\x98\x80\xE2\x82\xAC")),
                 QByteArray("\xBA\xC3&#160;\xBA\xC3&#128512;\x80"));
        // Control characters and NUL go through as they are.
        QCOMPARE(EncodePage(QString(QChar(0)) + QChar(7) + QChar(0x2603)), QByteArray("\0\x07&#9731;", 9));
        QCOMPARE(EncodePage(u""), QByteArray());
    }

    // Script and style bodies decode no references: a character GBK lacks
    // goes there in the script's or the style sheet's own escape.
    void charactersGbkLacksTakeTheEscapeOfTheirContext()
    {
        const QString e = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString page = QStringLiteral("<p title=\"%1\">%1\u0080\u0081</p>"
                                            "<script>t='%1\u0080好';r=/\\%1/;</script>"
                                            "<style>p::after{content:'%1\u00A0'}</style>"
                                            "<svg><style>%1</style></svg>"
                                            "<script><!--<script>%1</script>%1--></script>").arg(e);
        QCOMPARE(EncodePage(page), QByteArray("<p title=\"&#128512;\">&#128512;&#65533;&#129;</p>"
                                              "<script>t='\\u{1F600}\\u0080\xBA\xC3';r=/\\uD83D\\uDE00/;</script>"
                                              "<style>p::after{content:'\\1F600 \\A0 '}</style>"
                                              "<svg><style>&#128512;</style></svg>"
                                              "<script><!--<script>\\u{1F600}</script>\\u{1F600}--></script>"));
        // The code may open a script that the tail closes.
        const TPageTemplate frame{QStringLiteral("<p>\r\n"), QStringLiteral("';</script>\r\n<p>%1</p>").arg(e)};
        QCOMPARE(EncodePage(ComposePage(frame, QStringLiteral("<script>s='%1").arg(e))),
                 QByteArray("<p>\r\n<script>s='\\u{1F600}';</script>\r\n<p>&#128512;</p>"));
    }

    // Mark-up the HTML parser gives up on (it aborts its process on this
    // one) does not take the editor with it: the page is encoded all the
    // same, its characters as references.
    void markUpTheParserFailsOnStillEncodes()
    {
        const QString broken = QStringLiteral("<table><svg><select><desc><select><table>");
        QCOMPARE(EncodePage(broken + QString::fromUtf8("\xF0\x9F\x98\x80")), broken.toLatin1() + "&#128512;");
    }

    // Inside a script the escape is the one that means the character where
    // it stands; text nothing decodes keeps a reference, and the user hears
    // of it, as of a tagged template's raw text, which no escape keeps.
    void escapesFollowWhereTheCharacterStands()
    {
        const QString g = QString::fromUtf8("\xF0\xA0\xAE\xB7");   // U+20BB7, outside the BMP
        const QString page = QStringLiteral(
            "<script>var %1\u00A0= `%1${a}` + String.raw`%1\\%1` + /%1/u.source + /%1/.source // %1\u2028x = 1 / 2;</script>"
            "\r\n<script type=\"text/template\"><b>%1</b></script><script type=\" Module \">'%1'</script>"
            "<script type=\"application/ld+json\">{\"a\": \"%1\"}</script><xmp>%1</xmp>").arg(g);
        QList<TEncodingLoss> losses;
        QCOMPARE(EncodePage(page, &losses),
                 QByteArray("<script>var \\u{20BB7} = `\\u{20BB7}${a}` + String.raw`${'\\u{20BB7}'}${'\\\\\\u{20BB7}'}`"
                            " + /\\u{20BB7}/u.source + /\\uD842\\uDFB7/.source // \\u{20BB7}\nx = 1 / 2;</script>"
                            "\r\n<script type=\"text/template\"><b>&#134071;</b></script><script type=\" Module \">'\\u{20BB7}'</script>"
                            "<script type=\"application/ld+json\">{\"a\": \"\\uD842\\uDFB7\"}</script><xmp>&#134071;</xmp>"));
        QCOMPARE(losses.size(), 4);
        QCOMPARE(losses[0].Element, QString());
        QCOMPARE(losses[2].Element, QStringLiteral("script type=\"text/template\""));
        QCOMPARE(losses[3].Element, QStringLiteral("xmp"));
        const QStringList notes = EncodingNotes(losses, page, 0, page.size());
        QCOMPARE(notes.size(), 4);
        QVERIFY2(notes[2].startsWith(QStringLiteral("第 2 行")) && notes[2].contains(QStringLiteral("&#134071;")),
                 qPrintable(notes[2]));
    }

    void cachePageFailsClearlyWithoutFilesFolder()
    {
        WorkingDir dir(false);
        try {
            WriteCachePage(TShopVersion::Tmall, QStringLiteral("x"));
            QFAIL("no error without the files folder");
        } catch (const EFCreateError& e) {
            const QString prefix = QStringLiteral("Cannot create file \"files/cache.html\". ");
            QVERIFY2(e.Message().startsWith(prefix), qPrintable(e.Message()));
            QVERIFY(e.Message().size() > prefix.size());   // the system's reason follows
        }
        QVERIFY(!QFile::exists(QDir(dir.Path()).filePath(QStringLiteral("files"))));
    }

    void cachePageIsReplacedWhole()
    {
        WorkingDir dir(true);
        WriteCachePage(TShopVersion::Professional, QStringLiteral("first fragment that is rather long"));
        WriteCachePage(TShopVersion::Basic, QStringLiteral("second"));
        const QByteArray bytes = dir.CachePage();
        QCOMPARE(bytes, EncodePage(ComposePage(PageTemplate(TShopVersion::Basic), QStringLiteral("second"))));
        QVERIFY(!bytes.contains("first fragment"));

        // A write that fails half-way (here: the file size limit) leaves the
        // earlier page as it was, and no partial file behind.
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        QString message;
        try {
            WriteCachePage(TShopVersion::Professional, QString(200000, QLatin1Char('x')));
        } catch (const EFCreateError& e) {
            message = e.Message();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(message, QStringLiteral("Cannot create file \"files/cache.html\". ") + QString::fromLocal8Bit(strerror(EFBIG)));
        QCOMPARE(dir.CachePage(), bytes);
        QCOMPARE(QDir(dir.Path() + QStringLiteral("/files")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("cache.html")});
    }

    void cachePageNeverWritesThroughALink()
    {
        WorkingDir dir(true);
        const QString target = dir.Path() + QStringLiteral("/elsewhere.html");
        const QString cache = dir.Path() + QStringLiteral("/files/cache.html");
        QFile elsewhere(target);
        QVERIFY(elsewhere.open(QIODevice::WriteOnly) && elsewhere.write("keep") == 4);
        elsewhere.close();
        QVERIFY(QFile::link(QStringLiteral("../elsewhere.html"), cache));

        // The link is replaced by the page.
        WriteCachePage(TShopVersion::Tmall, QStringLiteral("x"));
        QVERIFY(!QFileInfo(cache).isSymLink());
        QCOMPARE(dir.CachePage(), EncodePage(ComposePage(PageTemplate(TShopVersion::Tmall), QStringLiteral("x"))));

        // In a folder that cannot take the replacement, the link is refused.
        QVERIFY(QFile::remove(cache));
        QVERIFY(QFile::link(QStringLiteral("../elsewhere.html"), cache));
        QVERIFY(Chmod(dir.Path(), 0755) && Chmod(dir.Path() + QStringLiteral("/files"), 0555));
        QString message;
        {
            OrdinaryUser user;
            QVERIFY(user.ok);
            try {
                WriteCachePage(TShopVersion::Tmall, QStringLiteral("y"));
            } catch (const EFCreateError& e) {
                message = e.Message();
            }
        }
        QVERIFY(Chmod(dir.Path() + QStringLiteral("/files"), 0755));
        QCOMPARE(message, QStringLiteral("Cannot create file \"files/cache.html\". It is a symbolic link that cannot "
                                         "be replaced: ") + QString::fromLocal8Bit(strerror(EACCES)));
        QVERIFY(elsewhere.open(QIODevice::ReadOnly));
        QCOMPARE(elsewhere.readAll(), QByteArray("keep"));
    }

    // A folder that takes no new file, holding a page the user may write:
    // the page is written in place.
    void cachePageIsWrittenInPlaceInAReadOnlyFolder()
    {
        WorkingDir dir(true);
        const QString files = dir.Path() + QStringLiteral("/files");
        QFile old(files + QStringLiteral("/cache.html"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("a much longer earlier page than the new one") > 0);
        old.close();
        QVERIFY(Chmod(old.fileName(), 0666));
        QVERIFY(Chmod(dir.Path(), 0755) && Chmod(files, 0555));
        QString message;
        {
            OrdinaryUser user;
            QVERIFY(user.ok);
            try {
                WriteCachePage(TShopVersion::Basic, QString());
            } catch (const EFCreateError& e) {
                message = e.Message();
            }
        }
        QVERIFY(Chmod(files, 0755));
        QCOMPARE(message, QString());
        QCOMPARE(dir.CachePage(), EncodePage(ComposePage(PageTemplate(TShopVersion::Basic), QString())));
    }
};

RAVIK_TEST(TestComposition)
#include "tst_composition.moc"
