#include "userdata/ReminderScheduler.h"

#include "platform/Clock.h"
#include "userdata/ReminderStore.h"

#include <QCoreApplication>
#include <QThread>

ReminderScheduler::ReminderScheduler(ReminderStore &store, const QObject *handlerContext, FireHandler onFire,
    Clock &clock, std::optional<QTimeZone> timeZone, QObject *parent)
    : QObject(parent)
    , m_store(&store)
    , m_handlerContext(handlerContext)
    , m_onFire(std::move(onFire))
    , m_clock(clock)
    , m_timeZone(std::move(timeZone))
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(checkInterval);
    connect(m_timer, &QTimer::timeout, this, &ReminderScheduler::check);
}

void ReminderScheduler::start()
{
    m_timer->stop();
    const QPointer<ReminderScheduler> self(this);
    check();
    // A handler may tear the scheduler down during the first check.
    if (self)
        m_timer->start();
}

void ReminderScheduler::stop()
{
    m_timer->stop();
}

void ReminderScheduler::check()
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    // Copies: the handler may destroy this scheduler, and the loop must not touch it afterwards.
    const QPointer<ReminderStore> store = m_store;
    const QPointer<const QObject> context = m_handlerContext;
    const FireHandler onFire = m_onFire;
    if (!store || !context || !onFire)
        return;

    const QDateTime now = m_clock.now();
    const QTimeZone zone = m_timeZone ? *m_timeZone : QTimeZone::systemTimeZone();
    // A snapshot: the handler may add, change or delete reminders while the walk goes on.
    const QList<Reminder> reminders = store->reminders();
    for (const Reminder &reminder : reminders) {
        if (!reminder.shouldFire(now, zone))
            continue;
        if (!context)
            return;
        onFire(reminder);
        if (!store)
            return;
        store->markFired(reminder.id, now);
    }
}
