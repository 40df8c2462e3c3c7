#include "settings/SettingsStore.h"
#include "userdata/ReminderScheduler.h"
#include "userdata/ReminderStore.h"

#include "support/FakeClock.h"
#include "support/TestMain.h"

#include <limits>
#include <memory>

using Repeat = Reminder::Repeat;
using CustomUnit = Reminder::CustomUnit;

namespace {
struct Firing {
    Reminder reminder; // as handed over
    QDateTime at;
};
}

class TestReminderScheduler : public QObject {
    Q_OBJECT

public:
    explicit TestReminderScheduler(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    QDateTime berlin(QDate date, QTime time) const { return QDateTime(date, time, m_berlin); }

    Reminder add(const QString &title, const QDateTime &fireDate, Repeat repeats)
    {
        const Reminder reminder = Reminder::create(title, fireDate, repeats);
        m_store->add(reminder);
        return reminder;
    }

    std::unique_ptr<ReminderScheduler> makeScheduler()
    {
        return std::make_unique<ReminderScheduler>(
            *m_store, &m_owner,
            [this](const Reminder &reminder) {
                m_firings.append({ reminder, m_clock.now() });
            },
            m_clock, m_berlin);
    }

    // Moves the clock from wake-up to wake-up of the scheduler's timer, up to and including `until`.
    void runUntil(ReminderScheduler &scheduler, const QDateTime &until)
    {
        for (auto wait = scheduler.nextCheckIn(); wait && m_clock.now().addMSecs(wait->count()) <= until;
             wait = scheduler.nextCheckIn()) {
            QVERIFY(*wait <= ReminderScheduler::maxWait);
            m_clock.advanceMs(wait->count());
            scheduler.check();
            ++m_wakeUps;
        }
    }

    // When the reminder with the title was handed over, in the Berlin zone.
    QList<QDateTime> firingsOf(const QString &title) const
    {
        QList<QDateTime> result;
        for (const Firing &firing : m_firings) {
            if (firing.reminder.title == title)
                result.append(firing.at.toTimeZone(m_berlin));
        }
        return result;
    }

    Reminder stored(const QUuid &id) const
    {
        for (const Reminder &reminder : m_store->reminders()) {
            if (reminder.id == id)
                return reminder;
        }
        return {};
    }

    TestEnvironment *m_env;
    const QTimeZone m_berlin { "Europe/Berlin" };
    FakeClock m_clock;
    QObject m_owner;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<ReminderStore> m_store;
    QList<Firing> m_firings;
    int m_wakeUps = 0;

private slots:
    void init()
    {
        m_store.reset();
        m_settings.reset();
        m_env->reset();
        m_settings = std::make_unique<SettingsStore>(m_env->settingsFilePath());
        m_store = std::make_unique<ReminderStore>(*m_settings);
        m_firings.clear();
        m_wakeUps = 0;
    }

    void oneTimeAndEveryMinuteReminders()
    {
        const QDateTime start = berlin(QDate(2026, 3, 2), QTime(9, 0, 2));
        m_clock.setNow(start);
        const Reminder soon = add(QStringLiteral("soon"), start.addSecs(30), Repeat::None);
        add(QStringLiteral("missed"), start.addSecs(-120), Repeat::None);
        add(QStringLiteral("just in time"), start.addSecs(-89), Repeat::None);
        add(QStringLiteral("minute"), start.addDays(1), Repeat::EveryMinute); // due at once all the same
        auto scheduler = makeScheduler();
        scheduler->start();
        runUntil(*scheduler, start.addSecs(170));

        QCOMPARE(firingsOf(QStringLiteral("just in time")), QList<QDateTime> { start });
        QVERIFY(firingsOf(QStringLiteral("missed")).isEmpty());
        QCOMPARE(firingsOf(QStringLiteral("soon")), QList<QDateTime> { start.addSecs(30) });
        QVERIFY(!stored(soon.id).enabled);
        QCOMPARE(stored(soon.id).lastFiredAt, std::optional(start.addSecs(30)));
        QCOMPARE(firingsOf(QStringLiteral("minute")),
            QList<QDateTime>({ start, start.addSecs(55), start.addSecs(110), start.addSecs(165) }));

        // Switched on again, the firing it had still counts for its date, until the date moves past it.
        Reminder again = stored(soon.id);
        again.enabled = true;
        QVERIFY(!again.shouldFire(start.addSecs(85), m_berlin));
        again.fireDate = start.addSecs(200);
        m_store->update(again);
        runUntil(*scheduler, start.addSecs(300));
        QCOMPARE(firingsOf(QStringLiteral("soon")).last(), start.addSecs(200));

        // The window is [date, date + 90 s).
        const Reminder once = Reminder::create(QStringLiteral("once"), start, Repeat::None);
        QVERIFY(!once.shouldFire(start.addMSecs(-1), m_berlin));
        QVERIFY(once.shouldFire(start.addMSecs(89999), m_berlin));
        QVERIFY(!once.shouldFire(start.addSecs(90), m_berlin));
    }

    void clockTimeRemindersAcrossADaylightSavingChange()
    {
        // Berlin moves from 02:00 CET to 03:00 CEST on Sunday 2026-03-29.
        const QDate saturday(2026, 3, 28);
        const QDate sunday = saturday.addDays(1);
        m_clock.setNow(berlin(saturday, QTime(0, 0, 2)));
        // Only the clock time and weekday of an anchor count, not its date.
        add(QStringLiteral("breakfast"), berlin(sunday.addDays(10), QTime(9, 30)), Repeat::Daily);
        add(QStringLiteral("night"), berlin(saturday, QTime(2, 30)), Repeat::Daily);
        add(QStringLiteral("weekly"), berlin(sunday.addDays(-14), QTime(18, 15, 40)), Repeat::Weekly);
        auto scheduler = makeScheduler();
        scheduler->start();
        runUntil(*scheduler, berlin(sunday, QTime(0, 0)));
        const Reminder hourly = add(QStringLiteral("hourly"), berlin(saturday, QTime(0, 15)), Repeat::Hourly);
        runUntil(*scheduler, berlin(sunday.addDays(1), QTime(0, 0)));
        m_store->remove(hourly.id);
        runUntil(*scheduler, berlin(sunday.addDays(2), QTime(0, 0)));

        const QList<QDateTime> breakfast = firingsOf(QStringLiteral("breakfast"));
        QCOMPARE(breakfast.size(), 3);
        for (const QDateTime &firing : breakfast)
            QCOMPARE(firing.time(), QTime(9, 30));
        QCOMPARE(breakfast.at(0).secsTo(breakfast.at(1)), 23 * 3600);
        QCOMPARE(breakfast.at(1).secsTo(breakfast.at(2)), 24 * 3600);
        QCOMPARE(firingsOf(QStringLiteral("weekly")), QList<QDateTime> { berlin(sunday, QTime(18, 15)) });

        // 02:30 does not exist on the day of the change; a missed time is not caught up.
        QCOMPARE(firingsOf(QStringLiteral("night")),
            QList<QDateTime>({ berlin(saturday, QTime(2, 30)), berlin(sunday.addDays(1), QTime(2, 30)) }));

        // Every real hour at a quarter past, 23 of them on the short day.
        const QList<QDateTime> quarterPast = firingsOf(QStringLiteral("hourly"));
        QCOMPARE(quarterPast.size(), 23);
        for (qsizetype i = 0; i < quarterPast.size(); ++i)
            QCOMPARE(quarterPast.at(i), berlin(sunday, QTime(0, 15)).addSecs(i * 3600));
        QCOMPARE(quarterPast.at(2).time(), QTime(3, 15));
    }

    void customIntervalsCountFromTheLastFiring()
    {
        const QDateTime start = berlin(QDate(2026, 3, 2), QTime(10, 0));
        m_clock.setNow(start);
        Reminder twoMinutes = add(QStringLiteral("two minutes"), start.addSecs(12), Repeat::Custom);
        twoMinutes.customValue = 2;
        m_store->update(twoMinutes);
        Reminder huge = add(QStringLiteral("huge"), start.addSecs(-60), Repeat::Custom);
        huge.customValue = std::numeric_limits<qint64>::max();
        huge.customUnit = CustomUnit::Weeks;
        m_store->update(huge);
        auto scheduler = makeScheduler();
        scheduler->start();
        runUntil(*scheduler, start.addSecs(400));
        QCOMPARE(firingsOf(QStringLiteral("two minutes")),
            QList<QDateTime>({ start.addSecs(12), start.addSecs(132), start.addSecs(252), start.addSecs(372) }));
        QCOMPARE(firingsOf(QStringLiteral("huge")), QList<QDateTime> { start });

        // A period of nothing is one second.
        const QDateTime later = m_clock.now();
        Reminder zero = add(QStringLiteral("zero"), later.addSecs(-60), Repeat::Custom);
        zero.customValue = 0;
        zero.customUnit = CustomUnit::Seconds;
        m_store->update(zero);
        scheduler->check();
        runUntil(*scheduler, later.addMSecs(2100));
        QCOMPARE(firingsOf(QStringLiteral("zero")), QList<QDateTime>({ later, later.addSecs(1), later.addSecs(2) }));
        zero = stored(zero.id);
        zero.customValue = -5;
        QVERIFY(!zero.shouldFire(zero.lastFiredAt->addMSecs(999), m_berlin));
        QVERIFY(zero.shouldFire(zero.lastFiredAt->addSecs(1), m_berlin));
    }

    void dueRemindersAreHandedOverInListOrder()
    {
        const QDateTime start = berlin(QDate(2026, 3, 2), QTime(10, 0));
        m_clock.setNow(start);
        const Reminder a = add(QStringLiteral("a"), start.addSecs(-3), Repeat::None);
        const Reminder b = add(QStringLiteral("b"), start.addSecs(-2), Repeat::EveryMinute);
        const Reminder c = add(QStringLiteral("c"), start.addSecs(-1), Repeat::None);
        QList<Reminder> handed;
        // The handler deletes b while a is handled (b was due at the start of the check all the
        // same) and ends the scheduler while c is handled: the check under way still finishes.
        std::unique_ptr<ReminderScheduler> scheduler;
        scheduler = std::make_unique<ReminderScheduler>(
            *m_store, &m_owner,
            [&](const Reminder &reminder) {
                handed.append(reminder);
                if (reminder.id == a.id)
                    m_store->remove(b.id);
                if (reminder.id == c.id)
                    scheduler.reset();
            },
            m_clock, m_berlin);
        scheduler->start();

        QCOMPARE(handed, QList<Reminder>({ a, b, c })); // as they were before the firing was recorded
        QCOMPARE(m_store->reminders().size(), 2);
        for (const Reminder &reminder : m_store->reminders()) {
            QCOMPARE(reminder.lastFiredAt, std::optional(start));
            QVERIFY(!reminder.enabled);
        }
    }

    void wakesForTheNextDueMomentAndAtLeastEveryMinute()
    {
        const QDateTime start = berlin(QDate(2026, 3, 2), QTime(10, 0, 0, 250));
        m_clock.setNow(start);
        auto owner = std::make_unique<QObject>();
        ReminderScheduler scheduler(
            *m_store, owner.get(),
            [this](const Reminder &reminder) {
                m_firings.append({ reminder, m_clock.now() });
            },
            m_clock, m_berlin);
        scheduler.start();
        runUntil(scheduler, start.addSecs(3600)); // nothing due: once a minute
        QCOMPARE(m_wakeUps, 60);

        // Added while running: the timer is re-armed and the reminder fires at its moment exactly.
        const QDateTime due = m_clock.now().addSecs(90).addMSecs(500);
        const Reminder once = add(QStringLiteral("once"), due, Repeat::None);
        QCOMPARE(scheduler.nextCheckIn(), std::optional(ReminderScheduler::maxWait));
        runUntil(scheduler, due);
        QCOMPARE(firingsOf(QStringLiteral("once")), QList<QDateTime> { due.toTimeZone(m_berlin) });

        // The clock jumps (a suspend, a correction): the next wake-up within a minute sees it.
        Reminder daily = add(QStringLiteral("daily"), due.addSecs(-3600), Repeat::Daily);
        m_clock.setNow(due.addSecs(86400 - 3600 - 60));
        runUntil(scheduler, m_clock.now().addSecs(61));
        QCOMPARE(firingsOf(QStringLiteral("daily")).size(), 1);

        // A reminder whose firing cannot be recorded (a second copy under the same id) does not spin.
        const Reminder copy = add(QStringLiteral("copy"), m_clock.now(), Repeat::None);
        m_store->add(copy);
        scheduler.check();
        QCOMPARE(scheduler.nextCheckIn(), std::optional(std::chrono::milliseconds(1000)));

        // Without its owner the handler is not called, nothing is marked as fired unseen, and the
        // scheduler stops.
        owner.reset();
        daily = stored(daily.id);
        m_clock.setNow(m_clock.now().addDays(1));
        scheduler.check();
        QCOMPARE(m_firings.size(), 4);
        QCOMPARE(stored(daily.id), daily);
        QVERIFY(!scheduler.isRunning() && !scheduler.nextCheckIn());
    }
};

TAMSEL_TEST_MAIN(TestReminderScheduler)
#include "tst_reminderscheduler.moc"
