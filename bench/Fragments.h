#pragma once
// The benchmarks' input: storefront decoration code the way shop owners
// paste it. One line, no line break at all, of banners, absolutely placed
// hot spots over background pictures, product tables and lists and
// navigation bars, with Chinese captions, remote images (img.example.com)
// and links, cut at a block boundary so the markup stays whole. The same
// size always gives the same text, and a smaller fragment is the start of a
// larger one.
#include <QString>

inline constexpr qsizetype Fragment100K = 100 * 1024;
inline constexpr qsizetype Fragment1M = 1024 * 1024;
inline constexpr qsizetype Fragment4M = 4 * 1024 * 1024;
inline constexpr qsizetype Fragment10M = 10 * 1024 * 1024;

// A fragment of at most `utf8Bytes` bytes in UTF-8.
QString MakeFragment(qsizetype utf8Bytes);

// The same, made once per size and kept for the rest of the run.
const QString& Fragment(qsizetype utf8Bytes);
