#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

// Dates and times as people read them in the given locale. Qt offers short and long date formats;
// the medium style in between ("Mar 2, 2026", "2. März 2026") is the long format without the
// weekday and with abbreviated month names.
namespace DateStyles {
QString mediumDate(QDate date, const QLocale &locale = QLocale());
QString shortTime(QTime time, const QLocale &locale = QLocale());
// The moment in the zone as "<medium date>, <short time>".
QString mediumDateShortTime(const QDateTime &moment, const QTimeZone &zone, const QLocale &locale = QLocale());
}
