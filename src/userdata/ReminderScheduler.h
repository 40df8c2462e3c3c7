#pragma once

#include "userdata/Reminder.h"

#include <QObject>
#include <QPointer>
#include <QTimeZone>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class Clock;
class ReminderStore;

// Checks the reminders every five seconds and hands each due one to the fire handler, then records
// the firing in the store. The handler belongs to a context object, as with a Qt connection: once
// that object is destroyed the handler is never called again and checks do nothing. Main thread only.
class ReminderScheduler : public QObject {
    Q_OBJECT

public:
    using FireHandler = std::function<void(const Reminder &)>;

    static constexpr std::chrono::milliseconds checkInterval { 5000 };

    // Without a time zone, clock times are read in the system's zone at each check, so a change of
    // zone while running is followed.
    ReminderScheduler(ReminderStore &store, const QObject *handlerContext, FireHandler onFire, Clock &clock,
        std::optional<QTimeZone> timeZone = std::nullopt, QObject *parent = nullptr);

    // Runs one check straight away, then one every checkInterval until stopped. Starting again
    // restarts the timer.
    void start();
    void stop();
    bool isRunning() const { return m_timer->isActive(); }

    // One check: every reminder of the store's list as it is now that is due at the clock's current
    // moment goes to the handler, in list order and as it was before the firing was recorded.
    void check();

private:
    QPointer<ReminderStore> m_store;
    QPointer<const QObject> m_handlerContext;
    FireHandler m_onFire;
    Clock &m_clock;
    std::optional<QTimeZone> m_timeZone;
    QTimer *m_timer;
};
