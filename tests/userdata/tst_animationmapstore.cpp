#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/PetAnimationMapStore.h"

#include "support/TestMain.h"

#include <QSignalSpy>

#include <memory>

class TestAnimationMapStore : public QObject {
    Q_OBJECT

public:
    explicit TestAnimationMapStore(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    std::unique_ptr<SettingsStore> openSettings() const
    {
        return std::make_unique<SettingsStore>(m_env->configHome() + QStringLiteral("/tamsel/tamsel.conf"));
    }

    QByteArray storedBytes() const
    {
        return openSettings()->stored(SettingsKeys::animationMaps).value_or(QByteArray());
    }

    static AnimationMapping named(const QString &name, const QStringList &chatter = {}) { return { name, chatter }; }

    TestEnvironment *m_env;
    const QString fox = QStringLiteral("fox");

private slots:
    void init() { m_env->reset(); }

    void storedDocumentRoundTripsByteForByte()
    {
        const QByteArray document = R"({"fox":{"-1":{"chatter":[],"name":"hidden"},"0":{"chatter":["Hi!","Ho\tho\n"],)"
                                    R"("name":"idle"},"12":{"chatter":["Whee"],"name":""},"2":{"chatter":[],)"
                                    R"("name":" wave "}},"owl":{"5":{"chatter":[],"name":"hoot"}}})";
        auto settings = openSettings();
        settings->setValue(SettingsKeys::animationMaps, document);
        PetAnimationMapStore store(*settings);

        QCOMPARE(store.maps().value(fox).keys(), (QList<qint64> { -1, 0, 2, 12 }));
        QCOMPARE(store.chatter(fox, 0), (QStringList { QStringLiteral("Hi!"), QStringLiteral("Ho\tho\n") }));
        QCOMPARE(store.mapping(fox, 2).name, QStringLiteral(" wave ")); // stored untrimmed
        QCOMPARE(store.mapping(fox, 3), AnimationMapping());
        QCOMPARE(store.mapping(QStringLiteral("nobody"), 0), AnimationMapping());

        store.setMapping(fox, 0, store.mapping(fox, 0));
        QCOMPARE(storedBytes(), document);
    }

    void rowKeysAreParsedStrictly()
    {
        auto settings = openSettings();
        settings->setValue(SettingsKeys::animationMaps,
            R"({"fox":{"+3":{"name":"plus","chatter":[]},"-1":{"name":"minus","chatter":[]},"x":{"name":"x",)"
            R"("chatter":[]},"":{"name":"","chatter":[]}," 4":{"name":"","chatter":[]},)"
            R"("99999999999999999999":{"name":"","chatter":[]}},"ghost":{"x":{"name":"","chatter":[]}},"empty":{}})");
        PetAnimationMapStore store(*settings);

        QCOMPARE(store.maps().keys(), QStringList { fox }); // pets left without rows disappear
        QCOMPARE(store.maps().value(fox).keys(), (QList<qint64> { -1, 3 }));
        QCOMPARE(store.mapping(fox, 3).name, QStringLiteral("plus"));

        store.setMapping(fox, -1, AnimationMapping());
        QCOMPARE(storedBytes(), QByteArray(R"({"fox":{"3":{"chatter":[],"name":"plus"}}})"));
    }

    void setMappingKeepsOnlyMappingsWithContent()
    {
        auto settings = openSettings();
        PetAnimationMapStore store(*settings);
        QSignalSpy changed(&store, &PetAnimationMapStore::mapsChanged);

        store.setMapping(fox, 1, named(QStringLiteral("wave")));
        store.setMapping(fox, 2, named({}, { QStringLiteral("Boing!") }));
        store.setMapping(fox, 3, named(QStringLiteral("\n"))); // line breaks are not blank
        QCOMPARE(store.maps().value(fox).keys(), (QList<qint64> { 1, 2, 3 }));

        store.setMapping(fox, 1, named(QStringLiteral(" \t\u00a0\u2003")));
        store.setMapping(fox, 2, named(QStringLiteral("   ")));
        store.setMapping(fox, 3, AnimationMapping());
        QVERIFY(store.maps().isEmpty());
        QCOMPARE(storedBytes(), QByteArray("{}"));

        store.setMapping(fox, 9, AnimationMapping()); // removing nothing still writes and notifies
        QCOMPARE(changed.count(), 7);
    }

    void seedNamesFillsOnlyBlankNames()
    {
        auto settings = openSettings();
        PetAnimationMapStore store(*settings);
        store.setMapping(fox, 0, named(QStringLiteral("snooze"), { QStringLiteral("Zzz") }));
        store.setMapping(fox, 1, named(QStringLiteral("\t "), { QStringLiteral("Hello!") }));
        QSignalSpy changed(&store, &PetAnimationMapStore::mapsChanged);
        QSignalSpy written(settings.get(), &SettingsStore::valueChanged);

        store.seedNames(fox, { { 0, QStringLiteral("idle") }, { 1, QStringLiteral("wave") }, { 7, QString() } });
        QCOMPARE(store.mapping(fox, 0), named(QStringLiteral("snooze"), { QStringLiteral("Zzz") }));
        QCOMPARE(store.mapping(fox, 1), named(QStringLiteral("wave"), { QStringLiteral("Hello!") }));
        QCOMPARE(PetAnimationMapStore(*openSettings()).maps(), store.maps());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(written.count(), 1);

        // Every row named already: nothing is written and nobody is told.
        store.seedNames(fox, { { 0, QStringLiteral("idle") }, { 1, QStringLiteral("hop") } });
        QCOMPARE(written.count(), 1);
        QCOMPARE(changed.count(), 1);

        // A seeded empty name leaves an empty mapping that only a change of its own row removes.
        QVERIFY(store.maps().value(fox).contains(7));
        store.setMapping(fox, 0, AnimationMapping());
        QVERIFY(store.maps().value(fox).contains(7));
        store.setMapping(fox, 7, AnimationMapping());
        QVERIFY(!store.maps().value(fox).contains(7));
    }
};

TAMSEL_TEST_MAIN(TestAnimationMapStore)
#include "tst_animationmapstore.moc"
