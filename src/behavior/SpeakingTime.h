#pragma once

#include <chrono>

#include <QString>

// How long a spoken line stays in the speech bubble: 0.08 s per character plus 2 s, at least
// 2.8 s and at most 8 s. Characters are what the reader sees (grapheme clusters), so an emoji
// with a skin-tone modifier or a flag counts once.
class SpeakingTime {
public:
    static std::chrono::milliseconds forLine(const QString &line);
    static int characterCount(const QString &text);
};
