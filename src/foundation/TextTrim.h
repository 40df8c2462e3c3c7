#pragma once

#include <QString>

// The program's two ways of tidying text at its ends. Nothing else in the program trims.
namespace TextTrim {
// A space or a tab: the tab and every Unicode space separator (U+0020, the no-break space U+00A0,
// U+2000..U+200A, U+3000, ...). Line breaks are not among them.
bool isSpaceOrTab(QChar c);
// Names, personalities, note texts and row names: spaces and tabs go, line breaks stay.
QString spacesAndTabs(const QString &text);
// True when nothing but spaces and tabs is left after trimming them.
bool isBlank(const QString &text);
// Questions, keys and model replies: every kind of white space goes, line breaks included.
QString whiteSpaceAndLineBreaks(const QString &text);
}
