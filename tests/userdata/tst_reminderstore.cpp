#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/ReminderStore.h"

#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <QSignalSpy>

#include <memory>

using Repeat = Reminder::Repeat;
using CustomUnit = Reminder::CustomUnit;

namespace {
const QUuid kStretchID(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
const QUuid kTeaID(QStringLiteral("7C9E6679-7425-40DE-944B-E07FC1F90AE7"));
// 2026-03-02 09:05 in Berlin (Monday), 794131500 seconds after 2001-01-01 UTC.
const QDateTime kMondayMorning(QDate(2026, 3, 2), QTime(8, 5), Qt::UTC);
}

class TestReminderStore : public QObject {
    Q_OBJECT

public:
    explicit TestReminderStore(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    std::unique_ptr<SettingsStore> openSettings() const
    {
        return std::make_unique<SettingsStore>(m_env->settingsFilePath());
    }

    QByteArray storedBytes() const { return openSettings()->stored(SettingsKeys::reminders).value_or(QByteArray()); }

    static Reminder at(const QString &title, const QDateTime &fireDate, Repeat repeats = Repeat::None)
    {
        return Reminder::create(title, fireDate, repeats);
    }

    static QStringList titles(const QList<Reminder> &reminders)
    {
        QStringList result;
        for (const Reminder &reminder : reminders)
            result.append(reminder.title);
        return result;
    }

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void storedArrayRoundTripsAndKeepsItsOrder()
    {
        // Stored out of date order; only the reminder that has them carries "lastFiredAt" and "animationRow".
        const QByteArray document
            = R"([{"animationRow":3,"customUnit":"hours","customValue":2,"enabled":true,"fireDate":794134800.25,)"
              R"("id":"0F8FAD5B-D9CB-469F-A165-70867728950E","lastFiredAt":794131500.5,"repeats":"custom","title":"Stretch"},)"
              R"({"customUnit":"minutes","customValue":5,"enabled":true,"fireDate":794131500,)"
              R"("id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","repeats":"none","title":"Tea"}])";
        auto settings = openSettings();
        settings->setValue(SettingsKeys::reminders, document);
        ReminderStore store(*settings);

        QCOMPARE(titles(store.reminders()), QStringList({ "Stretch", "Tea" }));
        const Reminder stretch { .id = kStretchID,
            .title = "Stretch",
            .fireDate = kMondayMorning.addSecs(3300).addMSecs(250),
            .repeats = Repeat::Custom,
            .enabled = true,
            .lastFiredAt = kMondayMorning.addMSecs(500),
            .customValue = 2,
            .customUnit = CustomUnit::Hours,
            .animationRow = 3 };
        QCOMPARE(store.reminders().first(), stretch);

        // Marking a firing writes through but keeps the stored order.
        QSignalSpy changed(&store, &ReminderStore::remindersChanged);
        store.markFired(kTeaID, kMondayMorning.addSecs(2));
        QCOMPARE(changed.count(), 1);
        QByteArray expected = document;
        expected.replace(R"("id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7",)",
            R"("id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","lastFiredAt":794131502,)");
        expected.replace(R"("enabled":true,"fireDate":794131500)", R"("enabled":false,"fireDate":794131500)");
        QCOMPARE(storedBytes(), expected);
        QCOMPARE(titles(ReminderStore(*openSettings()).reminders()), QStringList({ "Stretch", "Tea" }));

        // Every kind and unit survives a reload.
        for (const Repeat repeat : Reminder::allRepeats()) {
            for (const CustomUnit unit : Reminder::allCustomUnits()) {
                Reminder reminder = at(QStringLiteral("r"), kMondayMorning, repeat);
                reminder.customUnit = unit;
                const auto decoded = ReminderStore::decode(ReminderStore::encode({ reminder }).value());
                QVERIFY(decoded.ok());
                QCOMPARE(decoded.value().records, QList<Reminder> { reminder });
            }
        }
    }

    void recordsWithoutNewerMembersLoadWithDefaults()
    {
        auto settings = openSettings();
        settings->setValue(SettingsKeys::reminders,
            R"([{"id":"0f8fad5b-d9cb-469f-a165-70867728950e","title":"Old","fireDate":1,"repeats":"daily","enabled":true},)"
            R"({"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","title":"Nulls","fireDate":2,"repeats":"custom","enabled":false,)"
            R"("lastFiredAt":null,"customValue":null,"customUnit":null,"animationRow":null,"snooze":4}])");
        LogCapture log;
        ReminderStore store(*settings);
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(store.reminders().size(), 2);
        const Reminder old { .id = kStretchID,
            .title = "Old",
            .fireDate = QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1), Qt::UTC),
            .repeats = Repeat::Daily };
        QCOMPARE(store.reminders().first(), old);
        QCOMPARE(store.reminders().last().customValue, 5);
        QCOMPARE(store.reminders().last().customUnit, CustomUnit::Minutes);
        QVERIFY(!store.reminders().last().lastFiredAt && !store.reminders().last().animationRow);
    }

    void changesKeepTheListInDateOrder()
    {
        auto settings = openSettings();
        ReminderStore store(*settings);
        QSignalSpy changed(&store, &ReminderStore::remindersChanged);
        const QDateTime nine = kMondayMorning;
        const QDateTime ten = nine.addSecs(3600);
        Reminder b = at(QStringLiteral("b"), ten);
        store.add(b);
        store.add(at(QStringLiteral("a"), nine));
        store.add(at(QStringLiteral("c"), ten));
        store.add(at(QStringLiteral("d"), nine));
        QCOMPARE(titles(store.reminders()), QStringList({ "a", "d", "b", "c" }));

        b.fireDate = nine.addSecs(-60);
        b.title = QStringLiteral("b2");
        store.update(b);
        QCOMPARE(titles(store.reminders()), QStringList({ "b2", "a", "d", "c" }));
        QCOMPARE(titles(ReminderStore(*openSettings()).reminders()), titles(store.reminders()));

        // Unknown identifiers change nothing and write nothing.
        const QByteArray before = storedBytes();
        const auto signalsBefore = changed.count();
        store.update(at(QStringLiteral("stranger"), nine));
        store.markFired(QUuid::createUuid(), nine);
        QCOMPARE(changed.count(), signalsBefore);
        QCOMPARE(storedBytes(), before);

        // Removal takes every reminder with the identifier.
        store.add(b);
        store.remove(b.id);
        QCOMPARE(titles(store.reminders()), QStringList({ "a", "d", "c" }));
    }

    void scheduleDescriptions()
    {
        const QTimeZone berlin("Europe/Berlin");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        Reminder reminder = at(QStringLiteral("r"), kMondayMorning);
        auto describe = [&](Repeat repeat) {
            reminder.repeats = repeat;
            return reminder.scheduleDescription(berlin, english);
        };
        // Times are read in the zone given; a minute below ten keeps its zero.
        QCOMPARE(describe(Repeat::None), QStringLiteral("Mar 2, 2026, 9:05 AM"));
        QCOMPARE(describe(Repeat::Hourly), QStringLiteral("Every hour at :05"));

        // Late on Sunday in UTC is early on Monday in Berlin.
        reminder.fireDate = QDateTime(QDate(2026, 3, 1), QTime(23, 30), Qt::UTC);
        QCOMPARE(describe(Repeat::Weekly), QStringLiteral("Weekly \u00B7 Monday at 12:30 AM"));
        QCOMPARE(reminder.scheduleDescription(QTimeZone::utc(), english),
            QStringLiteral("Weekly \u00B7 Sunday at 11:30 PM"));

        // The medium date drops the weekday wherever the locale puts it.
        reminder.repeats = Repeat::None;
        QCOMPARE(reminder.scheduleDescription(berlin, QLocale(QLocale::German, QLocale::Germany)),
            QStringLiteral("2. M\u00E4rz 2026, 00:30"));
        QCOMPARE(reminder.scheduleDescription(berlin, QLocale(QLocale::Hungarian, QLocale::Hungary)),
            QStringLiteral("2026. m\u00E1rc. 2., 0:30"));
    }
};

TAMSEL_TEST_MAIN(TestReminderStore)
#include "tst_reminderstore.moc"
