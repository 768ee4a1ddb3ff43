#include "RawText.h"

#include <gumbo.h>

#include <QByteArray>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QIODevice>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The UTF-8 form of one UTF-16 unit at `i` (a pair counts at its first
// unit, its second adds nothing); a lone surrogate counts as U+FFFD. The
// buffer handed to the parser and the offset mapping both use it, so they
// agree on every page.
int Utf8Length(QStringView page, qsizetype i)
{
    const char16_t c = page[i].unicode();
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (QChar::isHighSurrogate(c) && i + 1 < page.size() && QChar::isLowSurrogate(page[i + 1].unicode()))
        return 4;
    if (QChar::isLowSurrogate(c) && i > 0 && QChar::isHighSurrogate(page[i - 1].unicode()))
        return 0;
    return 3;
}

QByteArray ToUtf8(QStringView page)
{
    QByteArray out;
    out.reserve(page.size() + page.size() / 2);
    for (qsizetype i = 0; i < page.size(); ++i) {
        char32_t c = page[i].unicode();
        switch (Utf8Length(page, i)) {
        case 0:
            continue;
        case 1:
            out += static_cast<char>(c);
            continue;
        case 2:
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
            continue;
        case 4:
            c = QChar::surrogateToUcs4(page[i], page[i + 1]);
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
            continue;
        default:
            if (QChar::isSurrogate(c))
                c = 0xFFFD;
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct ByteRange {
    size_t begin;
    size_t end;
    TRawTextKind kind;
    QString element;
};

QString Attribute(const GumboElement& e, const char* name, bool* present = nullptr)
{
    const GumboAttribute* a = gumbo_get_attribute(&e.attributes, name);
    if (present)
        *present = a != nullptr;
    return a ? QString::fromUtf8(a->value).trimmed().toLower() : QString();
}

bool IsJavaScriptType(const QString& type)
{
    static const QStringList types{
        QStringLiteral("application/ecmascript"), QStringLiteral("application/javascript"),
        QStringLiteral("application/x-ecmascript"), QStringLiteral("application/x-javascript"),
        QStringLiteral("text/ecmascript"), QStringLiteral("text/javascript"), QStringLiteral("text/javascript1.0"),
        QStringLiteral("text/javascript1.1"), QStringLiteral("text/javascript1.2"), QStringLiteral("text/javascript1.3"),
        QStringLiteral("text/javascript1.4"), QStringLiteral("text/javascript1.5"), QStringLiteral("text/jscript"),
        QStringLiteral("text/livescript"), QStringLiteral("text/x-ecmascript"), QStringLiteral("text/x-javascript")};
    return types.contains(type);
}

// What a script element's body is, by its type as the browser decides
// whether to run it: no type (or an empty one) and the JavaScript types run,
// so does a module; a legacy language attribute stands in for a missing
// type. Anything else is a data block.
TRawTextKind ScriptKind(const GumboElement& e, QString* element)
{
    bool typed = false;
    const QString type = Attribute(e, "type", &typed);
    if (!typed) {
        const QString language = Attribute(e, "language");
        if (language.isEmpty() || IsJavaScriptType(QStringLiteral("text/") + language))
            return TRawTextKind::Script;
        *element = QStringLiteral("script language=\"%1\"").arg(language);
        return TRawTextKind::Other;
    }
    if (type.isEmpty() || type == QLatin1String("module") || IsJavaScriptType(type))
        return TRawTextKind::Script;
    if (type == QLatin1String("importmap") || type == QLatin1String("speculationrules") ||
        type.endsWith(QLatin1String("/json")) || type.endsWith(QLatin1String("+json")))
        return TRawTextKind::Json;
    *element = QStringLiteral("script type=\"%1\"").arg(type);
    return TRawTextKind::Other;
}

// The raw text elements in the HTML namespace (in SVG a script or style is
// ordinary text, where references work). Walked with a stack of its own:
// decoration code may nest deeper than a recursion should go.
std::vector<ByteRange> RawTextBytes(const GumboNode* root)
{
    std::vector<ByteRange> ranges;
    std::vector<const GumboNode*> stack{root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        const GumboVector* children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT)
            children = &node->v.document.children;
        else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
            children = &node->v.element.children;
        if (!children)
            continue;
        bool raw = node->type == GUMBO_NODE_ELEMENT && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
        TRawTextKind kind = TRawTextKind::Other;
        QString element;
        switch (raw ? node->v.element.tag : GUMBO_TAG_UNKNOWN) {
        case GUMBO_TAG_SCRIPT:
            kind = ScriptKind(node->v.element, &element);
            break;
        case GUMBO_TAG_STYLE:
            kind = TRawTextKind::Style;
            break;
        case GUMBO_TAG_XMP:
            element = QStringLiteral("xmp");
            break;
        case GUMBO_TAG_PLAINTEXT:
            element = QStringLiteral("plaintext");
            break;
        default:
            raw = false;
        }
        for (unsigned i = 0; i < children->length; ++i) {
            const auto* child = static_cast<const GumboNode*>(children->data[i]);
            if (raw && (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)) {
                const GumboText& text = child->v.text;
                ranges.push_back({text.start_pos.offset, text.start_pos.offset + text.original_text.length, kind, element});
            } else {
                stack.push_back(child);
            }
        }
    }
    return ranges;
}

std::vector<ByteRange> Parse(const QByteArray& utf8)
{
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;   // only the tree is wanted
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.constData(), static_cast<size_t>(utf8.size()));
    std::vector<ByteRange> bytes = RawTextBytes(output->document);
    gumbo_destroy_output(&options, output);
    return bytes;
}

bool WriteAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = write(fd, data.constData() + done, size_t(data.size() - done));
        if (n <= 0 && errno != EINTR)
            return false;
        done += std::max<ssize_t>(n, 0);
    }
    return true;
}

// The parser asserts on some mark-up (it aborts the process on
// <table><svg><select><desc><select><table>), and is quadratic on some: the
// page, whatever the user typed, is parsed in a child process, stopped when
// it takes too long, so that neither takes the editor with it. Empty when
// the parse did not finish.
std::optional<std::vector<ByteRange>> ParseApart(const QByteArray& utf8)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(pipeFds[0]);
        // Its assertion's words are for no one.
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0)
            dup2(quiet, STDERR_FILENO);
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        for (const ByteRange& r : Parse(utf8))
            stream << quint64(r.begin) << quint64(r.end) << qint32(r.kind) << r.element;
        _exit(WriteAll(pipeFds[1], out) ? 0 : 1);
    }
    close(pipeFds[1]);
    QByteArray in;
    // As long as the publish check may take on the same page.
    QDeadlineTimer deadline(5000 + utf8.size() / 1000);
    bool ended = false;
    while (!ended) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        const int ready = poll(&readable, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;   // too long
        char buffer[65536];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ended = true;
        else
            in.append(buffer, n);
    }
    close(pipeFds[0]);
    if (!ended)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    std::vector<ByteRange> ranges;
    QDataStream stream(in);
    while (!stream.atEnd()) {
        quint64 begin = 0, end = 0;
        qint32 kind = 0;
        QString element;
        stream >> begin >> end >> kind >> element;
        if (stream.status() != QDataStream::Ok)
            return std::nullopt;
        ranges.push_back({size_t(begin), size_t(end), TRawTextKind(kind), element});
    }
    return ranges;
}
}

QList<TRawText> FindRawText(QStringView page)
{
    const QByteArray utf8 = ToUtf8(page);
    // A page the parser fails on is taken as having no raw text: its
    // characters are written as references, as in text.
    std::vector<ByteRange> bytes = ParseApart(utf8).value_or(std::vector<ByteRange>());

    std::sort(bytes.begin(), bytes.end(), [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    // One walk over the page turns byte offsets into UTF-16 offsets.
    QList<TRawText> ranges;
    ranges.reserve(static_cast<qsizetype>(bytes.size()));
    size_t at = 0;   // byte offset of page[i]
    qsizetype i = 0;
    auto advanceTo = [&](size_t offset) {
        while (at < offset && i < page.size())
            at += static_cast<size_t>(Utf8Length(page, i++));
        return i;
    };
    for (const ByteRange& range : bytes) {
        const qsizetype begin = advanceTo(range.begin);
        ranges.append({begin, advanceTo(range.end), range.kind, range.element});
    }
    return ranges;
}
