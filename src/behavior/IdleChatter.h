#pragma once

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class Clock;
class RandomSource;

// The long-idle check: after 8 minutes without a gesture on the pet it says one of its long-idle
// lines, then no more often than every 20 minutes until the user touches the pet again. It checks
// once a minute, and only while it is watching (a pet is on screen) and chatter is enabled.
class IdleChatter : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 afterSeconds = 8 * 60;
    static constexpr qint64 repeatSeconds = 20 * 60;
    static constexpr int checkIntervalMs = 60 * 1000;

    IdleChatter(Clock &clock, RandomSource &random, std::function<bool()> chatterEnabled, QObject *parent = nullptr);

    static const QStringList &lines();

    // Starts or stops the minute check.
    void setWatching(bool watching);
    bool isWatching() const { return m_timer.isActive(); }
    // A gesture on the pet: both waits start again.
    void recordInteraction();

public slots:
    // What the timer runs; public so that tests can run it with an advanced clock.
    void check();

signals:
    void lineChosen(const QString &line);

private:
    Clock &m_clock;
    RandomSource &m_random;
    std::function<bool()> m_chatterEnabled;
    QTimer m_timer;
    QDateTime m_lastInteractionAt;
    std::optional<QDateTime> m_lastLineAt;
};
