#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

// The slow shared clock of the row previews in the preferences: every subscriber's callback runs
// four times a second. Subscribers are held weakly; the timer runs only while at least one
// subscriber exists, and stops at the first tick that finds none. Main thread only.
class AnimationTicker : public QObject {
    Q_OBJECT

public:
    static constexpr int intervalMs = 250;

    explicit AnimationTicker(QObject *parent = nullptr);
    ~AnimationTicker() override;

    // The instance the previews share, created on first use and owned by the application object.
    static AnimationTicker &shared();

    // Calls onTick on every tick until the subscriber unsubscribes or is destroyed. Subscribing
    // again replaces the callback. Starts the timer when it is not running.
    void subscribe(QObject *subscriber, std::function<void()> onTick);
    // Stops the timer when no subscriber remains.
    void unsubscribe(QObject *subscriber);
    bool isSubscribed(const QObject *subscriber) const;
    qsizetype subscriberCount() const;
    bool isRunning() const { return m_timer.isActive(); }

    // One step of the timer: runs the live subscribers' callbacks, or stops the timer when there
    // are none.
    void tick();

private:
    struct Subscription {
        QPointer<QObject> subscriber;
        std::function<void()> onTick;
    };

    void dropDeadSubscribers();

    QList<Subscription> m_subscriptions;
    QTimer m_timer;
};
