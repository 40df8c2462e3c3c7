#include "foundation/TextTrim.h"

#include <algorithm>

namespace TextTrim {

bool isSpaceOrTab(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString spacesAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpaceOrTab(text.at(begin)))
        ++begin;
    while (end > begin && isSpaceOrTab(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isBlank(const QString &text)
{
    return std::all_of(text.begin(), text.end(), isSpaceOrTab);
}

QString whiteSpaceAndLineBreaks(const QString &text)
{
    return text.trimmed();
}

}
