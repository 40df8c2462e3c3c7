#include "behavior/SpeakingTime.h"

#include <algorithm>

#include <QTextBoundaryFinder>

std::chrono::milliseconds SpeakingTime::forLine(const QString &line)
{
    // In whole milliseconds the rule is exact: 80 ms per character on top of 2 s.
    const qint64 ms = 2000 + 80 * qint64(characterCount(line));
    return std::chrono::milliseconds(std::clamp<qint64>(ms, 2800, 8000));
}

int SpeakingTime::characterCount(const QString &text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}
