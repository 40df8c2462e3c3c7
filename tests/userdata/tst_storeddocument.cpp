#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderStore.h"

#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <QSettings>

#include <functional>
#include <memory>

namespace {
enum class Kind { Characters, Maps, Reminders };

const SettingsKey<QByteArray> &keyOf(Kind kind)
{
    switch (kind) {
    case Kind::Characters: return SettingsKeys::characters;
    case Kind::Maps: return SettingsKeys::animationMaps;
    case Kind::Reminders: break;
    }
    return SettingsKeys::reminders;
}

// A good reminder, then one with a single fault for each of the members given.
QByteArray remindersWithFaults(const QList<QByteArray> &faulty)
{
    QByteArray array = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","title":"Tea","fireDate":1,)"
                       R"("repeats":"none","enabled":true})";
    for (const QByteArray &members : faulty)
        array += R"(,{"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","title":"x","fireDate":1,)" + members + "}";
    return array + "]";
}
}

// What the three JSON stores do with a stored value they cannot read in full.
class TestStoredDocument : public QObject {
    Q_OBJECT

public:
    explicit TestStoredDocument(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    struct Store {
        std::unique_ptr<QObject> object;
        qsizetype count = 0;
        std::function<void()> change;
    };

    static Store open(Kind kind, SettingsStore &settings)
    {
        switch (kind) {
        case Kind::Characters: {
            auto store = new CharacterStore(settings);
            return { std::unique_ptr<QObject>(store), store->characters().size(),
                [store] { store->setCharacter("new", PetCharacter {}); } };
        }
        case Kind::Maps: {
            auto store = new PetAnimationMapStore(settings);
            qsizetype rows = 0;
            for (const auto &pet : store->maps())
                rows += pet.size();
            return { std::unique_ptr<QObject>(store), rows, [store] { store->setMapping("new", 1, { "wave", {} }); } };
        }
        case Kind::Reminders: break;
        }
        auto store = new ReminderStore(settings);
        return { std::unique_ptr<QObject>(store), store->reminders().size(), [store] {
                    store->add(Reminder::create(
                        "new", QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC), Reminder::Repeat::None));
                } };
    }

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void unreadableRecordsAreSkippedAndKeptAside_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<qsizetype>("loaded");
        QTest::newRow("characters, four bad of five")
            << Kind::Characters
            << QByteArray(R"({"ok":{"tone":"dry"},"fox":{"tone":"Playful"},"owl":{"name":7},)"
                          R"("cat":{"listeningAnimationRow":1.5},"dog":"Rusty"})")
            << qsizetype(1);
        QTest::newRow("characters, truncated")
            << Kind::Characters << QByteArray("{\"fox\":{\"name\":\"Ru") << qsizetype(0);
        QTest::newRow("characters, invalid UTF-8")
            << Kind::Characters << QByteArray("{\"fox\":{\"name\":\"\xff\"}}") << qsizetype(0);
        QTest::newRow("characters, deeply nested")
            << Kind::Characters << QByteArray(R"({"fox":{"name":)") + QByteArray(100000, '[') << qsizetype(0);
        QTest::newRow("rows, one good among bad ones")
            << Kind::Maps
            << QByteArray(
                   R"({"fox":{"0":{"name":"idle","chatter":[]},"1":{"chatter":[]},"2":{"name":null,"chatter":[]},)"
                   R"("3":{"name":"a","chatter":"Hi"},"4":{"name":"a","chatter":["Hi",1]},)"
                   R"("x":{"name":"a","chatter":[]}},"owl":[{"name":"idle","chatter":[]}]})")
            << qsizetype(1);
        QTest::newRow("rows, truncated") << Kind::Maps << QByteArray("{\"fox\":{\"0\":{\"name\":\"id") << qsizetype(0);
        QTest::newRow("reminders, four bad after a good one")
            << Kind::Reminders
            << remindersWithFaults({ R"("repeats":"yearly","enabled":true)", R"("repeats":"none","enabled":"yes")",
                   R"("repeats":"custom","enabled":true,"customUnit":"fortnights")",
                   R"("repeats":"custom","enabled":true,"customValue":2.5)" })
            << qsizetype(1);
        QTest::newRow("reminders, an object") << Kind::Reminders << QByteArray("{}") << qsizetype(0);
    }

    void unreadableRecordsAreSkippedAndKeptAside()
    {
        QFETCH(Kind, kind);
        QFETCH(QByteArray, stored);
        QFETCH(qsizetype, loaded);
        const QString aside = keyOf(kind).name + ".unreadable";
        SettingsStore settings(m_env->settingsFilePath());
        settings.setValue(keyOf(kind), stored);

        for (int launch = 1; launch <= 2; ++launch) {
            LogCapture log;
            Store store = open(kind, settings);
            QCOMPARE(store.count, loaded);
            QCOMPARE(log.lines().size(), 1);
            QVERIFY2(
                log.lines().first().startsWith(store.object->metaObject()->className() + QString(" decode failed: "))
                    && log.lines().first().contains(aside),
                qPrintable(log.lines().first()));
            // A second launch over the same value keeps no second copy.
            QCOMPARE(settings.value(SettingsKey<QByteArray> { aside }), stored);
            QVERIFY(!settings.contains(aside + "-2"));
            QCOMPARE(settings.value(keyOf(kind)), stored);
            if (launch == 2)
                store.change();
        }
        // The store's own write replaced the value; the copy stays as it was.
        QVERIFY(settings.value(keyOf(kind)) != stored);
        QCOMPARE(settings.value(SettingsKey<QByteArray> { aside }), stored);
    }

    void seedingNeverWritesOverAnUnreadableValue()
    {
        SettingsStore settings(m_env->settingsFilePath());
        const QByteArray unreadable = R"({"fox":)";
        const QByteArray partlyRead = R"({"fox":{"0":{"name":1}}})";
        for (const QByteArray &stored : { unreadable, partlyRead }) {
            settings.setValue(SettingsKeys::animationMaps, stored);
            PetAnimationMapStore store(settings);
            store.seedNames("fox", { { 0, "idle" } });
            QCOMPARE(store.mapping("fox", 0).name, "idle");
            // A partly read value was kept aside and may be replaced; one nothing was read of stays.
            QCOMPARE(settings.value(SettingsKeys::animationMaps) == stored, stored == unreadable);
        }
    }

    void valueThatIsNotDataIsKeptAsIs()
    {
        // Hand-edited JSON with commas reads back from the INI file as a list of strings.
        const QStringList list { "[{\"id\":1}", "{}]" };
        QSettings(m_env->settingsFilePath(), QSettings::IniFormat).setValue(SettingsKeys::reminders.name, list);
        SettingsStore settings(m_env->settingsFilePath());
        LogCapture log;
        ReminderStore store(settings);
        QVERIFY(store.reminders().isEmpty());
        QVERIFY(log.anyContains("ReminderStore decode failed: "));
        QCOMPARE(QSettings(m_env->settingsFilePath(), QSettings::IniFormat).value("tam.reminders.unreadable"), list);

        // A different unreadable value later goes beside the first copy, not over it.
        settings.setValue(SettingsKeys::reminders, QByteArray("[1]"));
        ReminderStore again(settings);
        QCOMPARE(settings.value(SettingsKey<QByteArray> { "tam.reminders.unreadable-2" }), QByteArray("[1]"));
    }
};

TAMSEL_TEST_MAIN(TestStoredDocument)
#include "tst_storeddocument.moc"
