#pragma once
// HTML and CSS name their keywords in ASCII and compare them ignoring ASCII
// case only; their white space is these five characters.
#include <string_view>

inline char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Whether `text` is `lower` (written in lower case) in any ASCII case.
inline bool EqualsLower(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (AsciiLower(text[i]) != lower[i])
            return false;
    }
    return true;
}
