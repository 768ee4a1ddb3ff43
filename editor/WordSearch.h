#pragma once
// Whole-word, case-sensitive search: the one place that says what a "whole
// word" is for the code pane.
//
// The rule: a match stands as a whole word when the character just before it
// and the character just after it are word delimiters; the start and the end
// of the text count as delimiters. A word delimiter is any character that is
// not a letter or a digit: spaces, line breaks, punctuation, symbols, control
// characters, and each half of a surrogate pair (characters are judged one
// UTF-16 unit at a time). Only the neighbours are tested, never the match's
// own characters. So, for tokens that begin or end with punctuation:
//   "<div"  is whole in "\r<div class" and in "<div>", not in "<divider";
//   "src="  is whole in ' src="a.jpg"', not in ' xsrc="a.jpg"';
//   "</li>" is whole in "</li>\r" and "</li><li", not in "</li>x".
// This is the rule of the pane's own whole-word search
// (QTextDocument::FindWholeWords). That search, after rejecting a candidate,
// goes on beyond the candidate's end and so misses an occurrence that
// follows right on it ("href=" in "xhref=href="); this one does not.
#include <QChar>
#include <QStringView>

bool IsWordDelimiter(QChar c);

// True when text[position, position + length) has a delimiter (or the text's
// edge) on both sides.
bool StandsAsWholeWord(QStringView text, qsizetype position, qsizetype length);

// The first whole-word occurrence of `word` at or after `from`, comparing
// characters exactly; -1 when there is none or `word` is empty.
qsizetype FindWholeWord(QStringView text, QStringView word, qsizetype from);
