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

private:
    QStringView code_;
    std::string bytes_;
    size_t codeBegin_ = 0;
    size_t codeEnd_ = 0;
};
