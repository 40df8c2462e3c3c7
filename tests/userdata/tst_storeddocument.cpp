#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderStore.h"

#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <functional>
#include <memory>

namespace {
// A good reminder, then one with a single fault for each of the member lists given.
QByteArray remindersWithFaults(const QList<QByteArray> &faulty)
{
    QByteArray array = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","title":"Tea","fireDate":1,)"
                       R"("repeats":"none","enabled":true})";
    for (const QByteArray &members : faulty)
        array += R"(,{"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","title":"x","fireDate":1,)" + members + "}";
    return array + "]";
}

// One of the three JSON stores, opened over the settings: how many records it loaded, and a change
// a user could make.
struct Opened {
    std::unique_ptr<QObject> store;
    qsizetype loaded = 0;
    std::function<void()> change;
};

Opened open(const QString &key, SettingsStore &settings)
{
    if (key == SettingsKeys::characters.name) {
        auto *store = new CharacterStore(settings);
        return { std::unique_ptr<QObject>(store), store->characters().size(),
            [store] { store->setCharacter("new", PetCharacter {}); } };
    }
    if (key == SettingsKeys::animationMaps.name) {
        auto *store = new PetAnimationMapStore(settings);
        qsizetype rows = 0;
        for (const auto &pet : store->maps())
            rows += pet.size();
        return { std::unique_ptr<QObject>(store), rows, [store] { store->setMapping("new", 1, { "wave", {} }); } };
    }
    auto *store = new ReminderStore(settings);
    return { std::unique_ptr<QObject>(store), store->reminders().size(),
        [store] { store->add(Reminder::create("new", QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC), {})); } };
}
}

// What the character, row-name and reminder stores do with a stored value they cannot read in full.
class TestStoredDocument : public QObject {
    Q_OBJECT

public:
    explicit TestStoredDocument(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void unreadableRecordsAreSkippedAndKeptAside_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qsizetype>("loaded");
        const QString characters = SettingsKeys::characters.name;
        const QString maps = SettingsKeys::animationMaps.name;
        const QString reminders = SettingsKeys::reminders.name;
        QTest::newRow("characters, four bad of five")
            << characters
            << QVariant(QByteArray(R"({"ok":{"tone":"dry"},"fox":{"tone":"Playful"},"owl":{"name":7},)"
                                   R"("cat":{"listeningAnimationRow":1.5},"dog":"Rusty"})"))
            << qsizetype(1);
        QTest::newRow("characters, truncated")
            << characters << QVariant(QByteArray("{\"fox\":{\"name\":\"Ru")) << qsizetype(0);
        QTest::newRow("characters, invalid UTF-8")
            << characters << QVariant(QByteArray("{\"fox\":{\"name\":\"\xff\"}}")) << qsizetype(0);
        QTest::newRow("characters, deeply nested")
            << characters << QVariant(QByteArray(R"({"fox":{"name":)") + QByteArray(100000, '[')) << qsizetype(0);
        QTest::newRow("rows, one good among bad ones")
            << maps
            << QVariant(QByteArray(R"({"fox":{"0":{"name":"idle","chatter":[]},"1":{"chatter":[]},)"
                                   R"("2":{"name":null,"chatter":[]},"3":{"name":"a","chatter":"Hi"},)"
                                   R"("4":{"name":"a","chatter":["Hi",1]},"x":{"name":"a","chatter":[]}},)"
                                   R"("owl":[{"name":"idle","chatter":[]}]})"))
            << qsizetype(1);
        QTest::newRow("rows, truncated") << maps << QVariant(QByteArray("{\"fox\":{\"0\":{\"name\":\"id"))
                                         << qsizetype(0);
        QTest::newRow("reminders, four bad after a good one")
            << reminders
            << QVariant(
                   remindersWithFaults({ R"("repeats":"yearly","enabled":true)", R"("repeats":"none","enabled":"yes")",
                       R"("repeats":"custom","enabled":true,"customUnit":"fortnights")",
                       R"("repeats":"custom","enabled":true,"customValue":2.5)" }))
            << qsizetype(1);
        QByteArray twice = remindersWithFaults({});
        twice.insert(twice.size() - 1, "," + twice.mid(1, twice.size() - 2));
        QTest::newRow("reminders, one id twice") << reminders << QVariant(twice) << qsizetype(1);
        QTest::newRow("reminders, an object") << reminders << QVariant(QByteArray("{}")) << qsizetype(0);
        // Hand-edited JSON with commas reads back from the INI file as a list of strings.
        QTest::newRow("reminders, not data")
            << reminders << QVariant(QStringList { "[{\"id\":1}", "{}]" }) << qsizetype(0);
    }

    void unreadableRecordsAreSkippedAndKeptAside()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(qsizetype, loaded);
        const QString aside = key + ".unreadable";
        QSettings raw(m_env->settingsFilePath(), QSettings::IniFormat);
        raw.setValue(key, stored);
        SettingsStore settings(m_env->settingsFilePath());

        for (int launch = 1; launch <= 2; ++launch) {
            LogCapture log;
            const Opened opened = open(key, settings);
            QCOMPARE(opened.loaded, loaded);
            QCOMPARE(log.lines().size(), 1);
            const QString line = log.lines().first();
            QVERIFY2(line.startsWith(opened.store->metaObject()->className() + QString(" decode failed: "))
                    && line.contains(aside),
                qPrintable(line));
            // A second launch over the same value keeps no second copy.
            QCOMPARE(raw.value(aside), stored);
            QVERIFY(!raw.contains(aside + "-2"));
            QCOMPARE(raw.value(key), stored);
            if (launch == 2)
                opened.change();
        }
        // The store's own write replaced the value; the copy stays as it was.
        QVERIFY(raw.value(key) != stored);
        QCOMPARE(raw.value(aside), stored);

        // A different unreadable value later goes beside the first copy, not over it.
        raw.setValue(key, QByteArray("[1,{"));
        open(key, settings);
        QCOMPARE(raw.value(aside + "-2"), QByteArray("[1,{"));
    }

    void seedingNeverWritesOverAnUnreadableValue()
    {
        SettingsStore settings(m_env->settingsFilePath());
        PetCharacter seeded;
        seeded.name = "Rusty";
        const struct {
            const SettingsKey<QByteArray> &key;
            std::function<void()> seed;
        } stores[] = {
            { SettingsKeys::animationMaps,
                [&] {
                    PetAnimationMapStore store(settings);
                    store.seedNames("fox", { { 0, "idle" } });
                    QCOMPARE(store.mapping("fox", 0).name, "idle");
                } },
            { SettingsKeys::characters,
                [&] {
                    CharacterStore store(settings);
                    store.seedCharacter("fox", seeded);
                    QCOMPARE(store.character("fox").name, "Rusty");
                } },
        };
        for (const auto &store : stores) {
            for (const QByteArray &stored : { QByteArray(R"({"fox":)"), QByteArray(R"({"fox":{"name":1}})") }) {
                settings.setValue(store.key, stored);
                store.seed();
                // A partly read value was kept aside and may be replaced; one nothing was read of stays.
                const bool unreadable = stored.endsWith(':');
                QCOMPARE(settings.value(store.key) == stored, unreadable);
            }
        }
    }
};

TAMSEL_TEST_MAIN(TestStoredDocument)
#include "tst_storeddocument.moc"
