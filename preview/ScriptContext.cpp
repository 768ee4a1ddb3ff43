#include "ScriptContext.h"

#include <QStringList>

namespace {
bool IsLineTerminator(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == QChar(0xFEFF) ||
           c.category() == QChar::Separator_Space;
}

bool IsNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == u'$' || c == u'_' || c == u'\\' ||
           (c.unicode() >= 0x80 && !IsSpace(c) && !IsLineTerminator(c));
}

// Words after which a slash starts a regular expression and a template is
// not tagged, as after an operator.
bool TakesOperand(QStringView word)
{
    static const QStringList words{
        QStringLiteral("return"), QStringLiteral("typeof"), QStringLiteral("instanceof"), QStringLiteral("in"),
        QStringLiteral("of"),     QStringLiteral("new"),    QStringLiteral("delete"),     QStringLiteral("void"),
        QStringLiteral("throw"),  QStringLiteral("case"),   QStringLiteral("do"),         QStringLiteral("else"),
        QStringLiteral("yield"),  QStringLiteral("await")};
    return words.contains(word);
}

class TScanner {
public:
    explicit TScanner(QStringView s) : s_(s), map_(static_cast<size_t>(s.size()), TScriptContext::Code) {}

    std::vector<TScriptContext> Run()
    {
        while (i_ < s_.size()) {
            const QChar c = s_[i_];
            if (IsLineTerminator(c)) {
                lineStart_ = true;
                ++i_;
            } else if (IsSpace(c)) {
                ++i_;
            } else if (At(u"//") || At(u"<!--") || (lineStart_ && At(u"-->"))) {
                LineComment();
            } else if (At(u"/*")) {
                const qsizetype end = s_.indexOf(u"*/", i_ + 2);
                const qsizetype to = end < 0 ? s_.size() : end + 2;
                for (qsizetype k = i_; k < to; ++k)
                    lineStart_ |= IsLineTerminator(s_[k]);
                Mark(i_, to, TScriptContext::Comment);
                i_ = to;
            } else {
                lineStart_ = false;
                Token(c);
            }
        }
        return std::move(map_);
    }

private:
    bool At(std::u16string_view text) const { return s_.mid(i_).startsWith(QStringView(text)); }

    void Mark(qsizetype from, qsizetype to, TScriptContext context)
    {
        for (qsizetype k = from; k < to; ++k)
            map_[static_cast<size_t>(k)] = context;
    }

    void LineComment()
    {
        qsizetype to = i_;
        while (to < s_.size() && !IsLineTerminator(s_[to]))
            ++to;
        Mark(i_, to, TScriptContext::Comment);
        i_ = to;
    }

    void Token(QChar c)
    {
        if (c == u'\'' || c == u'"') {
            qsizetype k = i_ + 1;
            while (k < s_.size() && s_[k] != c && s_[k] != u'\n' && s_[k] != u'\r')
                k += s_[k] == u'\\' ? 2 : 1;
            k = qMin(k + 1, s_.size());
            Mark(i_, k, TScriptContext::String);
            i_ = k;
            operand_ = true;
        } else if (c == u'`') {
            Template(i_ + 1, operand_);
        } else if (c == u'}' && !templates_.empty() && templates_.back().depth == 0) {
            const bool tagged = templates_.back().tagged;
            templates_.pop_back();
            Template(i_ + 1, tagged);
        } else if (c == u'{' || c == u'}') {
            if (!templates_.empty())
                templates_.back().depth += c == u'{' ? 1 : -1;
            ++i_;
            operand_ = false;
        } else if (c == u'/') {
            if (operand_) {
                ++i_;
                operand_ = false;
            } else {
                Regex();
            }
        } else if (c == u')' || c == u']') {
            ++i_;
            operand_ = true;
        } else if (c.isDigit() || (c == u'.' && i_ + 1 < s_.size() && s_[i_ + 1].isDigit())) {
            while (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == u'.' || s_[i_] == u'_'))
                ++i_;
            operand_ = true;
        } else if (IsNamePart(c)) {
            const qsizetype from = i_;
            while (i_ < s_.size() && IsNamePart(s_[i_]))
                i_ += s_[i_] == u'\\' ? 2 : 1;
            i_ = qMin(i_, s_.size());
            operand_ = !TakesOperand(s_.mid(from, i_ - from));
        } else {
            ++i_;
            operand_ = false;
        }
    }

    // From `from`, just after a backtick or the brace closing a
    // substitution, to the closing backtick or the next substitution.
    void Template(qsizetype from, bool tagged)
    {
        const TScriptContext context = tagged ? TScriptContext::TaggedTemplate : TScriptContext::String;
        qsizetype k = from;
        while (k < s_.size()) {
            if (s_[k] == u'\\') {
                k += 2;
            } else if (s_[k] == u'`') {
                Mark(i_, k + 1, context);
                i_ = k + 1;
                operand_ = true;   // a template after it is tagged by it
                return;
            } else if (s_[k] == u'$' && k + 1 < s_.size() && s_[k + 1] == u'{') {
                Mark(i_, k + 2, context);
                i_ = k + 2;
                templates_.push_back({tagged, 0});
                operand_ = false;
                return;
            } else {
                ++k;
            }
        }
        Mark(i_, s_.size(), context);
        i_ = s_.size();
    }

    void Regex()
    {
        qsizetype k = i_ + 1;
        bool inClass = false;
        while (k < s_.size() && !IsLineTerminator(s_[k]) && (inClass || s_[k] != u'/')) {
            if (s_[k] == u'\\')
                ++k;
            else if (s_[k] == u'[')
                inClass = true;
            else if (s_[k] == u']')
                inClass = false;
            ++k;
        }
        if (k >= s_.size() || s_[k] != u'/') {
            ++i_;   // no regular expression after all
            operand_ = false;
            return;
        }
        bool unicode = false;
        for (++k; k < s_.size() && s_[k].isLetter(); ++k)
            unicode |= s_[k] == u'u' || s_[k] == u'v';
        Mark(i_, k, unicode ? TScriptContext::UnicodeRegex : TScriptContext::Regex);
        i_ = k;
        operand_ = true;
    }

    struct TOpenTemplate {
        bool tagged;
        int depth;   // braces open in its substitution
    };

    QStringView s_;
    std::vector<TScriptContext> map_;
    std::vector<TOpenTemplate> templates_;
    qsizetype i_ = 0;
    bool operand_ = false;   // the last token was an operand
    bool lineStart_ = true;
};
}

std::vector<TScriptContext> ScriptContexts(QStringView script)
{
    return TScanner(script).Run();
}
