#include "userdata/ReminderScheduler.h"

#include <algorithm>

#include <QCoreApplication>
#include <QThread>

#include "platform/Clock.h"
#include "userdata/ReminderStore.h"

namespace {

constexpr qint64 kMsPerMinute = 60 * 1000;

// The start of the minute after the moment. Every zone in use today is offset from UTC by whole
// minutes, so this is also a minute boundary on the user's clock.
QDateTime nextMinute(const QDateTime &moment)
{
    const qint64 ms = moment.toMSecsSinceEpoch();
    const qint64 intoMinute = ((ms % kMsPerMinute) + kMsPerMinute) % kMsPerMinute;
    return moment.addMSecs(kMsPerMinute - intoMinute);
}

// The earliest moment in [now, until] at which the reminder is due, if any. Whether a reminder is
// due changes only at its date, 55 seconds or one period after its last firing, or at the turn of
// a minute, so looking at those moments finds the first one without stepping through time.
std::optional<QDateTime> firstDueMoment(
    const Reminder &reminder, const QDateTime &now, const QDateTime &until, const QTimeZone &zone)
{
    if (!reminder.enabled || !reminder.fireDate.isValid())
        return std::nullopt;
    QList<QDateTime> moments { now, reminder.fireDate };
    if (reminder.lastFiredAt) {
        moments.append(reminder.lastFiredAt->addSecs(Reminder::minimumGapSeconds));
        // Compared before adding: a stored period can be far beyond what a date can hold.
        const double periodMs = reminder.customPeriodSeconds() * 1000.0;
        if (periodMs <= static_cast<double>(reminder.lastFiredAt->msecsTo(until)))
            moments.append(reminder.lastFiredAt->addMSecs(static_cast<qint64>(periodMs)));
    }
    for (QDateTime minute = nextMinute(now); minute <= until; minute = minute.addMSecs(kMsPerMinute))
        moments.append(minute);
    std::sort(moments.begin(), moments.end());
    for (const QDateTime &moment : moments) {
        if (moment >= now && moment <= until && reminder.shouldFire(moment, zone))
            return moment;
    }
    return std::nullopt;
}

}

ReminderScheduler::ReminderScheduler(ReminderStore &store, const QObject *handlerContext, FireHandler onFire,
    Clock &clock, std::optional<QTimeZone> timeZone, QObject *parent)
    : QObject(parent)
    , m_store(&store)
    , m_handlerContext(handlerContext)
    , m_onFire(std::move(onFire))
    , m_clock(clock)
    , m_timeZone(std::move(timeZone))
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire 5 % late, three seconds in a minute.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReminderScheduler::check);
    connect(&store, &ReminderStore::remindersChanged, this, [this] {
        if (m_running)
            arm();
    });
}

void ReminderScheduler::start()
{
    m_running = true;
    check();
}

void ReminderScheduler::stop()
{
    m_running = false;
    m_timer.stop();
}

std::optional<std::chrono::milliseconds> ReminderScheduler::nextCheckIn() const
{
    if (!m_timer.isActive())
        return std::nullopt;
    return m_timer.intervalAsDuration();
}

QTimeZone ReminderScheduler::zone() const
{
    return m_timeZone ? *m_timeZone : QTimeZone::systemTimeZone();
}

void ReminderScheduler::check()
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    // Copies: the handler may destroy this scheduler, and the loop must not touch it afterwards.
    const QPointer<ReminderScheduler> self(this);
    const QPointer<ReminderStore> store = m_store;
    const QPointer<const QObject> context = m_handlerContext;
    const FireHandler onFire = m_onFire;
    if (!store || !context || !onFire) {
        stop();
        return;
    }

    const QDateTime now = m_clock.now();
    m_lastCheck = now;
    const QTimeZone zone = this->zone();
    // A snapshot: the handler may add, change or delete reminders while the walk goes on.
    const QList<Reminder> reminders = store->reminders();
    for (const Reminder &reminder : reminders) {
        if (!reminder.shouldFire(now, zone))
            continue;
        if (!context)
            break;
        onFire(reminder);
        if (!store)
            break;
        store->markFired(reminder.id, now);
    }
    if (self && m_running)
        arm();
}

void ReminderScheduler::arm()
{
    if (!m_store || !m_handlerContext) {
        stop();
        return;
    }
    const QDateTime now = m_clock.now();
    const QDateTime until = now.addMSecs(maxWait.count());
    const QTimeZone zone = this->zone();
    QDateTime next = until;
    for (const Reminder &reminder : m_store->reminders()) {
        if (const auto due = firstDueMoment(reminder, now, next, zone))
            next = *due;
    }
    // Whatever was due at the last check has been handed over; one still due then (a record the
    // firing could not be written to) waits a second rather than spinning the timer.
    if (m_lastCheck.isValid() && next <= m_lastCheck)
        next = std::min(m_lastCheck.addSecs(1), until);
    m_timer.start(std::chrono::milliseconds(std::max<qint64>(0, now.msecsTo(next))));
}
