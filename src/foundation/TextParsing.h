#pragma once

#include <QStringView>

#include <optional>

namespace TextParsing {
// Base-10 integer with an optional leading "+" or "-" and nothing else (no spaces).
// Absent when the text is empty, malformed or out of the 64-bit range.
std::optional<qint64> strictInteger(QStringView text);
// Whole-string decimal floating-point number ("1", "-2.5", ".5", "1e3"). Absent when malformed
// or not finite.
std::optional<double> strictDouble(QStringView text);
}
