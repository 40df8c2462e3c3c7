#include "behavior/AnimationTicker.h"

#include <QCoreApplication>

#include <algorithm>

AnimationTicker::AnimationTicker(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &AnimationTicker::tick);
}

AnimationTicker::~AnimationTicker() = default;

AnimationTicker &AnimationTicker::shared()
{
    static QPointer<AnimationTicker> instance;
    if (!instance)
        instance = new AnimationTicker(QCoreApplication::instance());
    return *instance;
}

void AnimationTicker::subscribe(QObject *subscriber, std::function<void()> onTick)
{
    if (!subscriber || !onTick)
        return;
    const auto existing = std::find_if(m_subscriptions.begin(), m_subscriptions.end(),
        [subscriber](const Subscription &entry) { return entry.subscriber == subscriber; });
    if (existing != m_subscriptions.end())
        existing->onTick = std::move(onTick);
    else
        m_subscriptions.append({ subscriber, std::move(onTick) });
    if (!m_timer.isActive())
        m_timer.start();
}

void AnimationTicker::unsubscribe(QObject *subscriber)
{
    m_subscriptions.removeIf([subscriber](const Subscription &entry) { return entry.subscriber == subscriber; });
    dropDeadSubscribers();
    if (m_subscriptions.isEmpty())
        m_timer.stop();
}

bool AnimationTicker::isSubscribed(const QObject *subscriber) const
{
    return subscriber
        && std::any_of(m_subscriptions.cbegin(), m_subscriptions.cend(),
            [subscriber](const Subscription &entry) { return entry.subscriber == subscriber; });
}

qsizetype AnimationTicker::subscriberCount() const
{
    return std::count_if(m_subscriptions.cbegin(), m_subscriptions.cend(),
        [](const Subscription &entry) { return !entry.subscriber.isNull(); });
}

void AnimationTicker::tick()
{
    dropDeadSubscribers();
    if (m_subscriptions.isEmpty()) {
        m_timer.stop();
        return;
    }
    // A callback may unsubscribe or destroy any subscriber, so walk a snapshot and re-check each.
    const QList<Subscription> snapshot = m_subscriptions;
    for (const Subscription &entry : snapshot) {
        if (entry.subscriber && isSubscribed(entry.subscriber))
            entry.onTick();
    }
}

void AnimationTicker::dropDeadSubscribers()
{
    m_subscriptions.removeIf([](const Subscription &entry) { return entry.subscriber.isNull(); });
}
