#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

// How reminders and notes write dates and identifiers, compatible with the records the program's
// earlier releases wrote: a date is a JSON number of seconds (with fraction) since
// 2001-01-01 00:00:00 UTC, an identifier is a UUID in 8-4-4-4-12 form with upper-case digits.
namespace StoredRecord {
double referenceSeconds(const QDateTime &moment);
// Absent unless the value is a number within +-10^11 seconds (about 3,000 years) of 2001.
// Precision is one millisecond, the resolution of QDateTime.
std::optional<QDateTime> dateFromReferenceSeconds(const QJsonValue &value);

QString uuidText(const QUuid &id);
// Accepts the 8-4-4-4-12 form in either letter case and nothing else (no braces, no spaces).
std::optional<QUuid> uuidFromText(const QString &text);
}
