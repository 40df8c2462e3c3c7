#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <optional>

// A reminder the pet delivers: once, every minute, hourly at a minute, daily or weekly at a clock
// time, or at a custom interval. Clock times, minutes and weekdays are read in the time zone the
// caller passes (the user's, except in tests).
struct Reminder {
    enum class Repeat { None, EveryMinute, Hourly, Daily, Weekly, Custom };
    enum class CustomUnit { Seconds, Minutes, Hours, Days, Weeks };

    QUuid id;
    QString title;
    // For a one-time reminder the moment to fire; for the others the anchor the minute, clock time
    // or weekday is taken from, and for a custom interval also the earliest first firing.
    QDateTime fireDate;
    Repeat repeats = Repeat::None;
    bool enabled = true;
    std::optional<QDateTime> lastFiredAt {};
    qint64 customValue = 5;
    CustomUnit customUnit = CustomUnit::Minutes;
    // The sprite-sheet row to play when it fires; absent means the default reaction.
    std::optional<qint64> animationRow {};

    // A new enabled reminder with a fresh identifier and the default custom interval.
    static Reminder create(const QString &title, const QDateTime &fireDate, Repeat repeats);

    // Two firings of a reminder are at least this far apart.
    static constexpr qint64 minimumGapSeconds = 55;

    // Whether the reminder is due at the moment. Calls at least 55 seconds apart decide each
    // occurrence once: a one-time reminder only within 90 seconds after its date, the clock-time
    // kinds in their minute (never twice in one minute), everyMinute at once and then after every
    // 55 seconds, a custom one from its date on, once per period (at least one second).
    bool shouldFire(const QDateTime &now, const QTimeZone &zone) const;
    bool shouldFire(const QDateTime &now) const { return shouldFire(now, QTimeZone::systemTimeZone()); }
    // Custom interval in seconds, at least 1 and never overflowing.
    double customPeriodSeconds() const;

    // "Daily at 9:30 AM", "Weekly · Monday at 9:30 AM", "Every 5 minutes", ...
    QString scheduleDescription(const QTimeZone &zone, const QLocale &locale = QLocale()) const;

    static QList<Repeat> allRepeats();
    static QList<CustomUnit> allCustomUnits();
    static QString storedValue(Repeat repeat);
    static std::optional<Repeat> repeatFromStoredValue(const QString &value);
    // What the editor calls the kind ("Once", "Every minute", ..., "Custom…").
    static QString label(Repeat repeat);
    // The stored value is also the word shown ("seconds", "minutes", ...).
    static QString storedValue(CustomUnit unit);
    static std::optional<CustomUnit> customUnitFromStoredValue(const QString &value);
    static qint64 secondsPerUnit(CustomUnit unit);

    bool operator==(const Reminder &other) const = default;
};
