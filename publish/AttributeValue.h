#pragma once
// An attribute's value as the parser decoded it, against the text the page
// has for it: what part of the code a part of the value is.
#include <gumbo.h>

#include <cstddef>
#include <string_view>

// gumbo gives an attribute without a value its name as the value's text,
// and leaves the value's positions unset.
inline bool HasValue(const GumboAttribute& a)
{
    return a.original_value.data != a.original_name.data;
}

// The bytes of the UTF-8 character that starts with `lead`.
size_t Utf8CharacterBytes(char lead);

// Maps byte offsets in an attribute's decoded value onto the page, walking
// the value as written alongside: a line break written CR LF or CR is LF
// once decoded, NUL is U+FFFD, and a character reference ("&quot;") is one
// character. Asked in increasing order, it walks the value once. An offset
// that cannot be placed (inside a reference, or after a legacy one without
// its ';') is kNowhere.
class TAttributeValueMap {
public:
    static constexpr size_t kNowhere = std::string_view::npos;

    // `page` is the text the parser read: offsets are counted from it.
    TAttributeValueMap(const char* page, const GumboAttribute& a) : page_(page), a_(a), decoded_(a.value) {}

    size_t At(size_t decoded);

private:
    void Prepare();
    size_t ReferenceLength(size_t at) const;

    const char* page_;
    const GumboAttribute& a_;
    std::string_view decoded_;
    std::string_view written_;
    size_t start_ = kNowhere;
    bool ready_ = false;
    bool same_ = false;
    size_t i_ = 0;   // walked so far in the written value
    size_t j_ = 0;   // and in the decoded one
};
