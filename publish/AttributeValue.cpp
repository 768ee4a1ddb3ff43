#include "AttributeValue.h"

#include "AsciiText.h"

#include <string>

size_t Utf8CharacterBytes(char lead)
{
    const auto c = static_cast<unsigned char>(lead);
    return c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}

namespace {
bool IsReferenceName(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

// "&amp;" and its numeric forms decode to the '&' that also starts them.
bool IsAmpersand(std::string_view reference)
{
    std::string lower(reference);
    for (char& c : lower)
        c = AsciiLower(c);
    return lower == "&amp;" || lower == "&#38;" || lower == "&#x26;";
}
}

size_t TAttributeValueMap::At(size_t decoded)
{
    if (!ready_)
        Prepare();
    if (start_ == kNowhere || decoded > decoded_.size())
        return kNowhere;
    if (same_)
        return start_ + decoded;
    if (decoded < j_) {
        i_ = 0;
        j_ = 0;
    }
    while (j_ < decoded) {
        if (i_ >= written_.size())
            return kNowhere;
        const char w = written_[i_];
        const char d = decoded_[j_];
        const size_t reference = w == '&' ? ReferenceLength(i_) : 0;
        if (reference > 0 && (d != '&' || IsAmpersand(written_.substr(i_, reference)))) {
            i_ += reference;
            j_ += Utf8CharacterBytes(d);
        } else if (w == d) {
            ++i_;
            ++j_;
        } else if (w == '\r' && d == '\n') {
            i_ += i_ + 1 < written_.size() && written_[i_ + 1] == '\n' ? 2 : 1;
            ++j_;
        } else if (w == '\0' && decoded_.substr(j_, 3) == "\xEF\xBF\xBD") {
            ++i_;
            j_ += 3;
        } else {
            return kNowhere;
        }
    }
    return j_ == decoded ? start_ + i_ : kNowhere;
}

// Done at the first question: most values are never asked.
void TAttributeValueMap::Prepare()
{
    ready_ = true;
    if (!HasValue(a_))
        return;
    written_ = std::string_view(a_.original_value.data, a_.original_value.length);
    if (!written_.empty() && (written_.front() == '"' || written_.front() == '\'')) {
        const char quote = written_.front();
        written_.remove_prefix(1);
        if (!written_.empty() && written_.back() == quote)
            written_.remove_suffix(1);
    }
    start_ = static_cast<size_t>(written_.data() - page_);
    same_ = written_ == decoded_;
}

// The length of a character reference "&name;" or "&#123;" at `at`, or 0.
size_t TAttributeValueMap::ReferenceLength(size_t at) const
{
    size_t end = at + 1;
    while (end < written_.size() && end < at + 40 && IsReferenceName(written_[end]))
        ++end;
    return end > at + 1 && end < written_.size() && written_[end] == ';' ? end + 1 - at : 0;
}
