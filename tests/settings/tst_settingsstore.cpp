#include "services/ModelGuard.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include "support/LogCapture.h"
#include "support/PetFixtures.h"
#include "support/TestMain.h"

#include <QSettings>

class TestSettingsStore : public QObject {
    Q_OBJECT

public:
    explicit TestSettingsStore(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    // Writes raw INI text, as a user editing the file by hand would.
    void writeFile(const QByteArray &text) { PetFixtures::writeFile(m_env->settingsFilePath(), "[General]\n" + text); }

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void defaultPathHonoursXdgConfigHome() { QCOMPARE(SettingsStore::defaultFilePath(), m_env->settingsFilePath()); }

    void absentKeysReadAsTheirDefaults()
    {
        SettingsStore store(m_env->settingsFilePath());
        QVERIFY(!store.stored(SettingsKeys::selectedPetID));
        QCOMPARE(store.scale(), 0.5);
        QCOMPARE(store.playbackSpeed(), 1.0);
        QCOMPARE(store.behaviorMode(), BehaviorMode::Wander);
        QCOMPARE(store.clickBehavior(), ClickBehavior::randomCycle());
        QCOMPARE(store.windowLevel(), WindowLevel::Floating);
        QCOMPARE(store.inputMode(), InputMode::Text);
        QCOMPARE(store.value(SettingsKeys::clickThrough), false);
        QCOMPARE(store.value(SettingsKeys::startHidden), false);
        QCOMPARE(store.showInTaskbar(), true);
        QCOMPARE(store.value(SettingsKeys::launchAtLogin), false);
        QCOMPARE(store.chatterEnabled(), true);
        QVERIFY(!store.lastPosition());
        QVERIFY(store.movementInversions().isEmpty());
        QCOMPARE(store.value(SettingsKeys::groqModel), QStringLiteral("openai/gpt-oss-120b"));
        QCOMPARE(store.value(SettingsKeys::bundledPetDefaultsSeeded), false);
        QCOMPARE(store.value(SettingsKeys::hasCompletedOnboarding), false);
        QVERIFY(store.value(SettingsKeys::characters).isEmpty());
    }

    void mistypedAndUnrecognisedValuesReadAsDefaults()
    {
        writeFile("tam.scale=huge\n"
                  "tam.playbackSpeed=-2\n"
                  "tam.behaviorMode=Busy\n"
                  "tam.windowLevel=top\n"
                  "tam.inputMode=VOICE\n"
                  "tam.showDockIcon=maybe\n"
                  "tam.chatterEnabled=0\n"
                  "tam.groqModel=a, b\n"
                  "tam.lastPositionX=12.5\n"
                  "tam.movementInverted=not json\n");
        SettingsStore store(m_env->settingsFilePath());
        QCOMPARE(store.scale(), 0.5);
        QCOMPARE(store.playbackSpeed(), 1.0);
        QCOMPARE(store.behaviorMode(), BehaviorMode::Wander); // case-sensitive
        QCOMPARE(store.windowLevel(), WindowLevel::Floating);
        QCOMPARE(store.inputMode(), InputMode::Text);
        QCOMPARE(store.showInTaskbar(), true);
        QCOMPARE(store.chatterEnabled(), false);
        // An unquoted comma makes the INI value a list, which is not a string.
        QCOMPARE(store.value(SettingsKeys::groqModel), QStringLiteral("openai/gpt-oss-120b"));
        QVERIFY(!store.lastPosition()); // only x is present
        QVERIFY(store.movementInversions().isEmpty());
    }

    void valuesRoundTripThroughTheFile()
    {
        {
            SettingsStore store(m_env->settingsFilePath());
            store.setValue(SettingsKeys::scale, 1.5);
            store.setBehaviorMode(BehaviorMode::Busy);
            store.setWindowLevel(WindowLevel::AlwaysOnTop);
            store.setClickBehavior(ClickBehavior::row(0));
            store.setLastPosition(QPointF(-120.25, 48));
            store.setValue(SettingsKeys::clickThrough, true);
            store.setValue(SettingsKeys::characters, QByteArrayLiteral("{\"a\":1}"));
        }
        // Written through at once: a second reader (or the next launch) sees everything.
        SettingsStore reread(m_env->settingsFilePath());
        QCOMPARE(reread.scale(), 1.5);
        QCOMPARE(reread.behaviorMode(), BehaviorMode::Busy);
        QCOMPARE(reread.windowLevel(), WindowLevel::AlwaysOnTop);
        QCOMPARE(reread.value(SettingsKeys::clickBehavior), QStringLiteral("row:0"));
        QCOMPARE(reread.lastPosition(), std::optional<QPointF>(QPointF(-120.25, 48)));
        QCOMPARE(reread.value(SettingsKeys::clickThrough), true);
        QCOMPARE(reread.value(SettingsKeys::characters), QByteArrayLiteral("{\"a\":1}"));
        QSettings raw(m_env->settingsFilePath(), QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("tam.behaviorMode")).toString(), QStringLiteral("busy"));
    }

    void clickBehaviorStringForms_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("row 12") << QStringLiteral("row:12") << QStringLiteral("row:12");
        QTest::newRow("row letter") << QStringLiteral("row:x") << QStringLiteral("random");
        QTest::newRow("row alone") << QStringLiteral("row:") << QStringLiteral("random");
        QTest::newRow("row spaced") << QStringLiteral("row: 3") << QStringLiteral("random");
        QTest::newRow("row overflow") << QStringLiteral("row:99999999999") << QStringLiteral("random");
        QTest::newRow("negative row") << QStringLiteral("row:-1") << QStringLiteral("row:-1");
        QTest::newRow("wave") << QStringLiteral("wave") << QStringLiteral("row:1");
        QTest::newRow("jump") << QStringLiteral("jump") << QStringLiteral("row:2");
        QTest::newRow("empty") << QString() << QStringLiteral("none");
        QTest::newRow("none") << QStringLiteral("none") << QStringLiteral("none");
        QTest::newRow("toggle") << QStringLiteral("toggleRunning") << QStringLiteral("toggleRunning");
        QTest::newRow("wrong case") << QStringLiteral("None") << QStringLiteral("random");
    }

    void clickBehaviorStringForms()
    {
        QFETCH(QString, raw);
        QFETCH(QString, normalised);
        const ClickBehavior behavior = ClickBehavior::fromRawString(raw);
        QCOMPARE(behavior.rawString(), normalised);
        QCOMPARE(ClickBehavior::fromRawString(behavior.rawString()), behavior);
    }

    void movementInversionDefaultsToTheBuiltInPetOnly()
    {
        SettingsStore store(m_env->settingsFilePath());
        QVERIFY(store.isMovementInverted(QStringLiteral("tamsel"), QStringLiteral("tamsel")));
        QVERIFY(!store.isMovementInverted(QStringLiteral("fox"), QStringLiteral("tamsel")));
        QVERIFY(!store.isMovementInverted(QString(), QString()));
        store.setMovementInverted(QStringLiteral("tamsel"), false);
        store.setMovementInverted(QStringLiteral("fox"), true);
        QVERIFY(!store.isMovementInverted(QStringLiteral("tamsel"), QStringLiteral("tamsel")));
        QVERIFY(store.isMovementInverted(QStringLiteral("fox"), QStringLiteral("tamsel")));
        QCOMPARE(store.value(SettingsKeys::movementInverted), QByteArrayLiteral("{\"fox\":true,\"tamsel\":false}"));
    }

    void changesAreSignalled()
    {
        SettingsStore store(m_env->settingsFilePath());
        QStringList changed;
        connect(&store, &SettingsStore::valueChanged, this, [&](const QString &key) { changed << key; });
        store.setBehaviorMode(BehaviorMode::Still);
        store.remove(SettingsKeys::behaviorMode);
        store.remove(SettingsKeys::behaviorMode); // nothing left to remove
        QCOMPARE(changed, (QStringList { "tam.behaviorMode", "tam.behaviorMode" }));
    }

    void modelGuardReplacesCompoundModels()
    {
        SettingsStore store(m_env->settingsFilePath());
        LogCapture log;
        QVERIFY(!ModelGuard::enforceToolCapableModel(store)); // default model is left alone
        store.setValue(SettingsKeys::groqModel, QStringLiteral("groq/Compound-Mini"));
        QVERIFY(ModelGuard::enforceToolCapableModel(store));
        QCOMPARE(store.value(SettingsKeys::groqModel), QStringLiteral("openai/gpt-oss-120b"));
        QCOMPARE(log.lines(), QStringList { "Switching off groq/Compound-Mini: it cannot call tools." });
        store.setValue(SettingsKeys::groqModel, QStringLiteral("llama-3.3-70b-versatile"));
        QVERIFY(!ModelGuard::enforceToolCapableModel(store));
    }
};

TAMSEL_TEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
