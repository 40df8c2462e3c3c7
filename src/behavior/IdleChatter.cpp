#include "behavior/IdleChatter.h"

#include "platform/Clock.h"
#include "platform/RandomSource.h"

IdleChatter::IdleChatter(Clock &clock, RandomSource &random, std::function<bool()> chatterEnabled, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_random(random)
    , m_chatterEnabled(std::move(chatterEnabled))
    , m_lastInteractionAt(clock.now())
{
    m_timer.setInterval(checkIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &IdleChatter::check);
}

const QStringList &IdleChatter::lines()
{
    static const QStringList lines { QStringLiteral("still there?"), QStringLiteral("you ok?"), QStringLiteral("afk?"),
        QStringLiteral("psst — i miss you"), QStringLiteral("checking in"), QStringLiteral("long quiet stretch") };
    return lines;
}

void IdleChatter::setWatching(bool watching)
{
    if (!watching)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
}

void IdleChatter::recordInteraction()
{
    m_lastInteractionAt = m_clock.now();
    m_lastLineAt.reset();
}

void IdleChatter::check()
{
    if (!m_timer.isActive() || !m_chatterEnabled || !m_chatterEnabled())
        return;
    const QDateTime now = m_clock.now();
    if (m_lastInteractionAt.secsTo(now) < afterSeconds)
        return;
    if (m_lastLineAt && m_lastLineAt->secsTo(now) < repeatSeconds)
        return;
    const QStringList &all = lines();
    m_lastLineAt = now;
    emit lineChosen(all.at(m_random.boundedInt(0, all.size() - 1)));
}
