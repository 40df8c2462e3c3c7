#include "userdata/DateStyles.h"

#include <QRegularExpression>

namespace DateStyles {

QString mediumDate(QDate date, const QLocale &locale)
{
    static const QRegularExpression weekday(QStringLiteral("dddd[,\\s]*"));
    static const QRegularExpression trailingSeparators(QStringLiteral("[,\\s]+$"));
    static const QRegularExpression fullMonth(QStringLiteral("(?<!M)MMMM(?!M)"));
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(weekday);
    // A weekday at the end ("yyyy. MMMM d., dddd") leaves its separator behind.
    format.remove(trailingSeparators);
    format.replace(fullMonth, QStringLiteral("MMM"));
    return locale.toString(date, format);
}

QString shortTime(QTime time, const QLocale &locale)
{
    return locale.toString(time, QLocale::ShortFormat);
}

QString mediumDateShortTime(const QDateTime &moment, const QTimeZone &zone, const QLocale &locale)
{
    const QDateTime local = moment.toTimeZone(zone);
    return mediumDate(local.date(), locale) + QStringLiteral(", ") + shortTime(local.time(), locale);
}

}
