#include "foundation/HorizontalWhitespace.h"

namespace HorizontalWhitespace {

bool contains(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && contains(text.at(begin)))
        ++begin;
    while (end > begin && contains(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isBlank(const QString &text)
{
    for (const QChar c : text) {
        if (!contains(c))
            return false;
    }
    return true;
}

}
