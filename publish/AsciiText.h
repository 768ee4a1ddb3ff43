#pragma once
// HTML and CSS name their keywords in ASCII and compare them ignoring ASCII
// case only; their white space is these five characters.

inline char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
