#pragma once
// Where in a script each character stands, as far as it decides how the
// character may be escaped: the same escape means the character in a string
// and in an identifier, but not in a regular expression without the u flag,
// and no escape at all means it in the raw text a template's tag reads.
//
// A tokenizer's view of the script, not a parser's: a slash after an operand
// (a name, a number, a literal, a closing bracket) divides, anywhere else it
// starts a regular expression; a template right after an operand is tagged.
#include <QStringView>

#include <cstdint>
#include <vector>

enum class TScriptContext : std::uint8_t {
    Code,             // names, operators, white space
    Comment,
    String,           // a string, or an untagged template
    TaggedTemplate,   // a template whose tag sees its raw text
    Regex,            // a regular expression without the u or v flag
    UnicodeRegex,
};

// The context of every UTF-16 unit of `script`.
std::vector<TScriptContext> ScriptContexts(QStringView script);
