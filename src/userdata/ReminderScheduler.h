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

// Hands each due reminder to the fire handler at the second it falls due, then records the firing
// in the store. One timer waits for the next moment a reminder can fall due, and never longer than
// maxWait, so that a clock change or a suspend is noticed within a minute; changes to the store
// re-arm it. The handler belongs to a context object, as with a Qt connection: once that object
// is destroyed the handler is never called again and the scheduler stops. Main thread only.
class ReminderScheduler : public QObject {
    Q_OBJECT

public:
    using FireHandler = std::function<void(const Reminder &)>;

    static constexpr std::chrono::milliseconds maxWait { 60000 };

    // Without a time zone, clock times are read in the system's zone at each check, so a change of
    // zone while running is followed.
    ReminderScheduler(ReminderStore &store, const QObject *handlerContext, FireHandler onFire, Clock &clock,
        std::optional<QTimeZone> timeZone = std::nullopt, QObject *parent = nullptr);

    // Runs one check straight away and keeps checking until stopped.
    void start();
    void stop();
    bool isRunning() const { return m_running; }
    // How long the timer waits for the next check; absent while stopped.
    std::optional<std::chrono::milliseconds> nextCheckIn() const;

    // One check: every reminder of the store's list as it is now that is due at the clock's current
    // moment goes to the handler, in list order and as it was before the firing was recorded. While
    // running, the timer is then set for the next check.
    void check();

private:
    QTimeZone zone() const;
    void arm();

    QPointer<ReminderStore> m_store;
    QPointer<const QObject> m_handlerContext;
    FireHandler m_onFire;
    Clock &m_clock;
    std::optional<QTimeZone> m_timeZone;
    QTimer m_timer;
    bool m_running = false;
    QDateTime m_lastCheck;
};
