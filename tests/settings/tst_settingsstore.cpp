#include "services/ModelGuard.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include "support/LogCapture.h"
#include "support/PetFixtures.h"
#include "support/TestMain.h"

#include <QFile>
#include <QSettings>
#include <QTimer>

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

    void savedPositionReadsOnlyWhenUsable_data()
    {
        QTest::addColumn<QByteArray>("x");
        QTest::addColumn<bool>("usable");
        QTest::newRow("fraction") << QByteArray("-120.25") << true;
        QTest::newRow("a million") << QByteArray("-1e6") << true;
        QTest::newRow("beyond an int") << QByteArray("1e12") << false;
        QTest::newRow("just beyond a million") << QByteArray("1000001") << false;
        QTest::newRow("overflowing") << QByteArray("1e400") << false;
        QTest::newRow("not a number") << QByteArray("nan") << false;
        QTest::newRow("infinite") << QByteArray("-inf") << false;
    }

    void savedPositionReadsOnlyWhenUsable()
    {
        QFETCH(QByteArray, x);
        QFETCH(bool, usable);
        // A file of its own per row: the settings cache would not notice a rewrite of the same size.
        const QString path = m_env->configHome() + "/" + QTest::currentDataTag() + ".conf";
        PetFixtures::writeFile(path, "[General]\ntam.lastPositionX=" + x + "\ntam.lastPositionY=48\n");
        const auto position = SettingsStore(path).lastPosition();
        QCOMPARE(position.has_value(), usable);
        if (position)
            QCOMPARE(position->toPoint().y(), 48);
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

    void changesReachTheFileOncePerBurst()
    {
        const auto onDisk = [this] {
            QFile file(m_env->settingsFilePath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        {
            SettingsStore store(m_env->settingsFilePath());
            store.setBehaviorMode(BehaviorMode::Busy);
            store.setLastPosition(QPointF(3, 4));
            QVERIFY(!onDisk().contains("busy")); // nothing is written while the burst goes on
            QTRY_VERIFY(onDisk().contains("tam.behaviorMode=busy") && onDisk().contains("tam.lastPositionY=4"));
            store.setValue(SettingsKeys::clickThrough, true);
        }
        QVERIFY(onDisk().contains("tam.clickThrough=true")); // nor is anything lost at the end

        // What the quit steps change after the event loop has ended goes straight to the file.
        SettingsStore store(m_env->settingsFilePath());
        QTimer::singleShot(0, this, &QCoreApplication::quit);
        QCOMPARE(QCoreApplication::exec(), 0);
        store.setValue(SettingsKeys::startHidden, true);
        QVERIFY(onDisk().contains("tam.startHidden=true"));
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
