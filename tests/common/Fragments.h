#pragma once
// Storefront decoration code the way shop owners paste it, for the tests
// and the benchmarks. One line, no line break at all, of banners, absolutely
// placed hot spots over background pictures, product tables and lists and
// navigation bars, with Chinese captions, remote images (img.example.com)
// and links, cut at a block boundary so the markup stays whole. The same
// size and seed always give the same text, and a smaller fragment is the
// start of a larger one made from the same seed.
#include <QString>
#include <QStringList>

inline constexpr qsizetype Fragment100K = 100 * 1024;
inline constexpr qsizetype Fragment1M = 1024 * 1024;
inline constexpr qsizetype Fragment4M = 4 * 1024 * 1024;
inline constexpr qsizetype Fragment10M = 10 * 1024 * 1024;

// The seed of the benchmarks' fragments.
inline constexpr quint32 FragmentSeed = 12345;

// A fragment of at most `utf8Bytes` bytes in UTF-8; another seed gives
// other text of the same kind.
QString MakeFragment(qsizetype utf8Bytes, quint32 seed = FragmentSeed);

// The benchmarks' fragment of a size, made once and kept for the rest of
// the run.
const QString& Fragment(qsizetype utf8Bytes);

// The decoration code kept in tests/fragments/, written after real shops'
// code: the text of `name` ("countdown.html") as stored, lines ending in
// LF; empty where there is no such file.
QString StoredFragment(const QString& name);

// The names of the files in tests/fragments/, in order.
QStringList StoredFragmentNames();
