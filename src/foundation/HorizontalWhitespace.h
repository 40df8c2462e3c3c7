#pragma once

#include <QString>

// Horizontal white space: the Unicode space separators (U+0020, U+00A0, U+2000..U+200A, U+3000, ...)
// and the tab. Line breaks are not horizontal white space, so they survive trimming.
namespace HorizontalWhitespace {
bool contains(QChar c);
QString trimmed(const QString &text);
// True when nothing but horizontal white space is left after trimming.
bool isBlank(const QString &text);
}
