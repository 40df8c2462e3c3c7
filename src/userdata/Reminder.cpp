#include "userdata/Reminder.h"

#include "userdata/DateStyles.h"

#include <algorithm>

namespace {

constexpr double kOneTimeWindowSeconds = 90.0;

double secondsBetween(const QDateTime &from, const QDateTime &to)
{
    return static_cast<double>(from.msecsTo(to)) / 1000.0;
}

// The minute a moment falls in, counted on the UTC scale. Every zone in use today is offset from
// UTC by whole minutes, so this is also the minute on the user's clock.
qint64 minuteNumber(const QDateTime &moment)
{
    constexpr qint64 msPerMinute = 60 * 1000;
    const qint64 ms = moment.toMSecsSinceEpoch();
    return ms / msPerMinute - (ms % msPerMinute < 0 ? 1 : 0);
}

}

Reminder Reminder::create(const QString &title, const QDateTime &fireDate, Repeat repeats)
{
    Reminder reminder;
    reminder.id = QUuid::createUuid();
    reminder.title = title;
    reminder.fireDate = fireDate;
    reminder.repeats = repeats;
    return reminder;
}

bool Reminder::shouldFire(const QDateTime &now, const QTimeZone &zone) const
{
    if (!enabled || !fireDate.isValid() || !now.isValid())
        return false;
    const std::optional<double> gap
        = lastFiredAt ? std::optional<double>(secondsBetween(*lastFiredAt, now)) : std::nullopt;
    const bool gapAllows = !gap || *gap >= static_cast<double>(minimumGapSeconds);

    switch (repeats) {
    case Repeat::None: {
        // A firing at or after the date has used this date up; moving the date later revives it.
        if (lastFiredAt && *lastFiredAt >= fireDate)
            return false;
        const double late = secondsBetween(fireDate, now);
        return gapAllows && late >= 0 && late < kOneTimeWindowSeconds;
    }
    case Repeat::EveryMinute: return gapAllows;
    case Repeat::Hourly:
    case Repeat::Daily:
    case Repeat::Weekly: {
        if (!gapAllows)
            return false;
        // Ticks that run late can land twice in one minute 55 seconds apart.
        if (lastFiredAt && minuteNumber(*lastFiredAt) == minuteNumber(now))
            return false;
        const QDateTime localNow = now.toTimeZone(zone);
        const QDateTime anchor = fireDate.toTimeZone(zone);
        if (localNow.time().minute() != anchor.time().minute())
            return false;
        if (repeats == Repeat::Hourly)
            return true;
        if (localNow.time().hour() != anchor.time().hour())
            return false;
        return repeats == Repeat::Daily || localNow.date().dayOfWeek() == anchor.date().dayOfWeek();
    }
    case Repeat::Custom:
        if (now < fireDate)
            return false;
        return !gap || *gap >= customPeriodSeconds();
    }
    return false;
}

double Reminder::customPeriodSeconds() const
{
    // In floating point, so that a huge stored count cannot overflow.
    return std::max(1.0, static_cast<double>(customValue) * static_cast<double>(secondsPerUnit(customUnit)));
}

QString Reminder::scheduleDescription(const QTimeZone &zone, const QLocale &locale) const
{
    const QDateTime local = fireDate.toTimeZone(zone);
    switch (repeats) {
    case Repeat::None: return DateStyles::mediumDateShortTime(fireDate, zone, locale);
    case Repeat::EveryMinute: return QStringLiteral("Every minute");
    case Repeat::Hourly: return QStringLiteral("Every hour at :%1").arg(local.time().minute(), 2, 10, QLatin1Char('0'));
    case Repeat::Daily: return QStringLiteral("Daily at ") + DateStyles::shortTime(local.time(), locale);
    case Repeat::Weekly:
        return QStringLiteral("Weekly \u00B7 ") + locale.dayName(local.date().dayOfWeek(), QLocale::LongFormat)
            + QStringLiteral(" at ") + DateStyles::shortTime(local.time(), locale);
    case Repeat::Custom:
        // Always the plural word, also for a count of 1.
        return QStringLiteral("Every %1 %2").arg(customValue).arg(storedValue(customUnit));
    }
    return {};
}

QList<Reminder::Repeat> Reminder::allRepeats()
{
    return { Repeat::None, Repeat::EveryMinute, Repeat::Hourly, Repeat::Daily, Repeat::Weekly, Repeat::Custom };
}

QList<Reminder::CustomUnit> Reminder::allCustomUnits()
{
    return { CustomUnit::Seconds, CustomUnit::Minutes, CustomUnit::Hours, CustomUnit::Days, CustomUnit::Weeks };
}

QString Reminder::storedValue(Repeat repeat)
{
    switch (repeat) {
    case Repeat::None: return QStringLiteral("none");
    case Repeat::EveryMinute: return QStringLiteral("everyMinute");
    case Repeat::Hourly: return QStringLiteral("hourly");
    case Repeat::Daily: return QStringLiteral("daily");
    case Repeat::Weekly: return QStringLiteral("weekly");
    case Repeat::Custom: return QStringLiteral("custom");
    }
    return {};
}

std::optional<Reminder::Repeat> Reminder::repeatFromStoredValue(const QString &value)
{
    for (const Repeat repeat : allRepeats()) {
        if (storedValue(repeat) == value)
            return repeat;
    }
    return std::nullopt;
}

QString Reminder::label(Repeat repeat)
{
    switch (repeat) {
    case Repeat::None: return QStringLiteral("Once");
    case Repeat::EveryMinute: return QStringLiteral("Every minute");
    case Repeat::Hourly: return QStringLiteral("Hourly");
    case Repeat::Daily: return QStringLiteral("Daily");
    case Repeat::Weekly: return QStringLiteral("Weekly");
    case Repeat::Custom: return QStringLiteral("Custom\u2026");
    }
    return {};
}

QString Reminder::storedValue(CustomUnit unit)
{
    switch (unit) {
    case CustomUnit::Seconds: return QStringLiteral("seconds");
    case CustomUnit::Minutes: return QStringLiteral("minutes");
    case CustomUnit::Hours: return QStringLiteral("hours");
    case CustomUnit::Days: return QStringLiteral("days");
    case CustomUnit::Weeks: return QStringLiteral("weeks");
    }
    return {};
}

std::optional<Reminder::CustomUnit> Reminder::customUnitFromStoredValue(const QString &value)
{
    for (const CustomUnit unit : allCustomUnits()) {
        if (storedValue(unit) == value)
            return unit;
    }
    return std::nullopt;
}

qint64 Reminder::secondsPerUnit(CustomUnit unit)
{
    switch (unit) {
    case CustomUnit::Seconds: return 1;
    case CustomUnit::Minutes: return 60;
    case CustomUnit::Hours: return 3600;
    case CustomUnit::Days: return 86400;
    case CustomUnit::Weeks: return 604800;
    }
    return 1;
}
