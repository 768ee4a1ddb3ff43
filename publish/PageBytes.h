#pragma once
// The displayed page as the HTML parser reads it: head, code and tail as one
// run of UTF-8 bytes. The parser reports byte offsets into that run; the
// editor counts UTF-16 units of the code, so this class also maps the one
// onto the other.
//
// A lone surrogate (half of a pair, which is no character) goes in as
// U+FFFD, as the browser sees it: three bytes for one UTF-16 unit. A pair is
// four bytes for two units. The code is held by reference: it must outlive
// this object.
#include <QStringView>

#include <string>
#include <vector>

class TPageBytes {
public:
    TPageBytes(QStringView head, QStringView code, QStringView tail);

    const std::string& Bytes() const { return bytes_; }
    // The code's bytes are [CodeBegin(), CodeEnd()).
    size_t CodeBegin() const { return codeBegin_; }
    size_t CodeEnd() const { return codeEnd_; }

    // The UTF-16 position in the code of each byte offset into the page, in
    // one pass: `offsets` must be sorted. Offsets before the code map to 0,
    // after it to its length; an offset inside a character's bytes maps to
    // the end of that character.
    std::vector<qsizetype> CodePositions(const std::vector<size_t>& offsets) const;

    // The parser compares each attribute of a start tag with every one
    // before it, so a tag of tens of thousands of attributes takes it
    // seconds to minutes. Past the first `most` attributes of a start tag
    // in the code, the rest of the tag's attributes are overwritten with
    // spaces, byte for byte, so every offset still holds; the parser then
    // sees them as gone. Read as the tokenizer reads a tag (quoted values
    // skipped whole); outside tags, in comments or raw text, a run that
    // looks like such a tag loses only text the check does not look at.
    struct TLimited {
        int Tags = 0;                 // start tags cut short
        size_t First = 0;             // where the first of them begins
    };
    TLimited LimitAttributes(unsigned most);

private:
    QStringView code_;
    std::string bytes_;
    size_t codeBegin_ = 0;
    size_t codeEnd_ = 0;
};
