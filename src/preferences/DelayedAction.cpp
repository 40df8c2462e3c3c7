#include "preferences/DelayedAction.h"

#include "platform/Clock.h"

#include <algorithm>

DelayedAction::DelayedAction(Clock &clock, int delayMs, std::function<void()> action, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_delayMs(delayMs)
    , m_action(std::move(action))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (runIfDue() || !m_pending)
            return;
        // Woken early by the clock's measure: wait for the rest.
        m_timer.start(static_cast<int>(std::clamp<qint64>(m_deadlineMs - m_clock.monotonicMs(), 1, m_delayMs)));
    });
}

void DelayedAction::poke()
{
    m_deadlineMs = m_clock.monotonicMs() + m_delayMs;
    m_pending = true;
    m_timer.start(m_delayMs);
}

void DelayedAction::cancel()
{
    m_pending = false;
    m_timer.stop();
}

bool DelayedAction::runIfDue()
{
    if (!m_pending || m_clock.monotonicMs() < m_deadlineMs)
        return false;
    m_pending = false;
    m_timer.stop();
    m_action();
    return true;
}
