#include "WordSearch.h"

bool IsWordDelimiter(QChar c)
{
    return !c.isLetterOrNumber();
}

bool StandsAsWholeWord(QStringView text, qsizetype position, qsizetype length)
{
    const qsizetype end = position + length;
    if (position > 0 && !IsWordDelimiter(text[position - 1]))
        return false;
    if (end < text.size() && !IsWordDelimiter(text[end]))
        return false;
    return true;
}

qsizetype FindWholeWord(QStringView text, QStringView word, qsizetype from)
{
    if (word.isEmpty() || from < 0)
        return -1;
    qsizetype at = from;
    while (at <= text.size() - word.size()) {
        at = text.indexOf(word, at, Qt::CaseSensitive);
        if (at < 0)
            return -1;
        if (StandsAsWholeWord(text, at, word.size()))
            return at;
        ++at;
    }
    return -1;
}
