#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class Clock;

// Runs an action once a burst of pokes has been quiet for a delay: every poke moves the deadline,
// and the action runs at the first wake at or after it. The deadline is read from the injected
// clock, so a test decides when the delay has passed and calls runIfDue() itself.
class DelayedAction : public QObject {
    Q_OBJECT

public:
    DelayedAction(Clock &clock, int delayMs, std::function<void()> action, QObject *parent = nullptr);

    // Starts or restarts the delay.
    void poke();
    // Forgets a pending run.
    void cancel();
    bool isPending() const { return m_pending; }
    // Runs the action when a run is pending and the delay has passed; true when it ran.
    bool runIfDue();

private:
    Clock &m_clock;
    int m_delayMs;
    std::function<void()> m_action;
    QTimer m_timer;
    qint64 m_deadlineMs = 0;
    bool m_pending = false;
};
