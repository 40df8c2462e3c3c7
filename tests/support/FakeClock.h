#pragma once

#include "platform/Clock.h"

// A clock that only moves when told to.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC))
        : m_now(std::move(start))
    {
    }

    QDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override { return m_monotonicMs; }

    void advanceMs(qint64 ms)
    {
        m_now = m_now.addMSecs(ms);
        m_monotonicMs += ms;
    }
    void advanceSeconds(double seconds) { advanceMs(static_cast<qint64>(seconds * 1000.0)); }
    void setNow(const QDateTime &now) { m_now = now; }

private:
    QDateTime m_now;
    qint64 m_monotonicMs = 0;
};
