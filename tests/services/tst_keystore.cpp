#include "llm/GroqClient.h"
#include "platform/linux/KeychainSecretStore.h"
#include "services/KeyStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include "support/AwaitTask.h"
#include "support/FakeSecretStore.h"
#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QTimer>
#include <QUuid>

// The key store's rules against an in-memory keyring, then against the real desktop keyring
// (the headless test session runs an unlocked gnome-keyring).
class TestKeyStore : public QObject {
    Q_OBJECT

public:
    explicit TestKeyStore(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void savesReplacesKeepsOnFailureAndDeletes()
    {
        FakeSecretStore secrets;
        SettingsStore settings(m_env->settingsFilePath());
        settings.setValue(SettingsKeys::groqAPIKey, QStringLiteral("gsk_stale"));
        KeyStore store(secrets, settings);
        QVERIFY(awaitTask(store.setGroqAPIKey(QStringLiteral("  gsk_first\n"))));
        QCOMPARE(secrets.items.value(KeyStore::account), QByteArrayLiteral("gsk_first"));
        QVERIFY(!settings.contains(SettingsKeys::groqAPIKey.name));
        QVERIFY(awaitTask(store.setGroqAPIKey(QStringLiteral("gsk_second"))));
        QCOMPARE(secrets.addCalls, 1); // added once, then replaced in place

        // A refused write (a cancelled unlock prompt) keeps the key it was to replace.
        secrets.failWrites = true;
        LogCapture log;
        QVERIFY(!awaitTask(store.setGroqAPIKey(QStringLiteral("gsk_new"))));
        QCOMPARE(log.lines(), QStringList { "KeyStore: keychain write failed; key not saved" });
        QCOMPARE(secrets.items.value(KeyStore::account), QByteArrayLiteral("gsk_second"));
        QCOMPARE(store.groqAPIKey(), std::optional<QString>(QStringLiteral("gsk_second")));

        QVERIFY(awaitTask(store.setGroqAPIKey(QStringLiteral(" \t\n"))));
        QVERIFY(secrets.items.isEmpty());
        QVERIFY(!store.hasKey());
        secrets.items.insert(KeyStore::account, "gsk_again");
        QVERIFY(awaitTask(store.setGroqAPIKey(std::nullopt)));
        QVERIFY(secrets.items.isEmpty());
    }

    void deletionWhileTheKeyringWorksIsSafe()
    {
        for (const bool deleteKeyring : { false, true }) {
            auto secrets = std::make_unique<FakeSecretStore>();
            SettingsStore settings(m_env->settingsFilePath());
            auto store = std::make_unique<KeyStore>(*secrets, settings);
            QTimer gate;
            gate.setSingleShot(true);
            secrets->gate = &gate;
            auto saving = store->setGroqAPIKey(QStringLiteral("gsk_new"));
            if (deleteKeyring)
                secrets.reset();
            else
                store.reset();
            gate.start(0);
            QVERIFY(!awaitTask(std::move(saving)));
            if (store)
                QVERIFY(!store->hasKey());
        }
    }

    void requestsMadeBeforeTheKeyringAnswersWaitForIt()
    {
        FakeSecretStore secrets;
        secrets.items.insert(KeyStore::account, "gsk_slow");
        QTimer gate;
        gate.setSingleShot(true);
        secrets.gate = &gate;
        SettingsStore settings(m_env->settingsFilePath());
        KeyStore store(secrets, settings);
        store.startLoading();
        QVERIFY(!store.isLoaded());
        QNetworkAccessManager network;
        GroqClient client(network, store.keyProvider());
        client.setKeyLoader(store.keyLoader());
        QVERIFY(!client.hasKey());
        auto asking = client.awaitKey();
        gate.start(0);
        QCOMPARE(awaitTask(std::move(asking)), std::optional<QString>(QStringLiteral("gsk_slow")));
        QVERIFY(store.isLoaded());
    }

    void migrationMovesTheKeyOutOfTheSettings()
    {
        FakeSecretStore secrets;
        SettingsStore settings(m_env->settingsFilePath());
        settings.setValue(SettingsKeys::groqAPIKey, QStringLiteral("\n gsk_legacy "));
        KeyStore store(secrets, settings);
        LogCapture log;
        QCOMPARE(awaitTask(store.migrateFromDefaultsIfNeeded()), std::optional<QString>(QStringLiteral("gsk_legacy")));
        QCOMPARE(secrets.items.value(KeyStore::account), QByteArrayLiteral("gsk_legacy"));
        QVERIFY(!settings.contains(SettingsKeys::groqAPIKey.name));
        QCOMPARE(store.groqAPIKey(), std::optional<QString>(QStringLiteral("gsk_legacy")));
        QVERIFY(log.lines().isEmpty());
        // Nothing left to migrate on the next launch.
        QCOMPARE(awaitTask(store.migrateFromDefaultsIfNeeded()), std::nullopt);
    }

    void migrationFailureLeavesTheSettingsUntouched()
    {
        for (const bool corruptReadBack : { false, true }) {
            FakeSecretStore secrets;
            secrets.failWrites = !corruptReadBack;
            secrets.corruptReads = corruptReadBack;
            SettingsStore settings(m_env->settingsFilePath());
            settings.setValue(SettingsKeys::groqAPIKey, QStringLiteral("gsk_legacy"));
            KeyStore store(secrets, settings);
            LogCapture log;
            QCOMPARE(
                awaitTask(store.migrateFromDefaultsIfNeeded()), std::optional<QString>(QStringLiteral("gsk_legacy")));
            QCOMPARE(settings.value(SettingsKeys::groqAPIKey), QStringLiteral("gsk_legacy"));
            QCOMPARE(
                log.lines(), QStringList { "KeyStore: keychain migration failed; leaving the existing key in place" });
        }
        // A blank legacy value is not migrated and stays where it is.
        FakeSecretStore secrets;
        SettingsStore settings(m_env->settingsFilePath());
        settings.setValue(SettingsKeys::groqAPIKey, QStringLiteral("   "));
        KeyStore store(secrets, settings);
        QCOMPARE(awaitTask(store.migrateFromDefaultsIfNeeded()), std::nullopt);
        QVERIFY(settings.contains(SettingsKeys::groqAPIKey.name));
        QCOMPARE(secrets.addCalls, 0);
    }

    void realKeyringRoundTrip()
    {
        if (!awaitTask(KeychainSecretStore::secretServiceAvailable()))
            QSKIP("no secret service in this session (run the suite with make test)");
        // A unique service per run keeps this away from any real item.
        KeychainSecretStore secrets(
            QStringLiteral("app.tamsel.Tamsel.test-") + QUuid::createUuid().toString(QUuid::Id128));
        SettingsStore settings(m_env->settingsFilePath());
        KeyStore store(secrets, settings);

        QVERIFY(awaitTask(store.setGroqAPIKey(QStringLiteral("  gsk_real_one\n"))));
        QCOMPARE(awaitTask(secrets.read(KeyStore::account)).data, QByteArrayLiteral("gsk_real_one"));
        QVERIFY(awaitTask(store.setGroqAPIKey(QStringLiteral("gsk_real_two"))));

        KeyStore relaunched(secrets, settings);
        awaitTask(relaunched.load());
        QCOMPARE(relaunched.groqAPIKey(), std::optional<QString>(QStringLiteral("gsk_real_two")));

        settings.setValue(SettingsKeys::groqAPIKey, QStringLiteral(" gsk_legacy "));
        QCOMPARE(
            awaitTask(relaunched.migrateFromDefaultsIfNeeded()), std::optional<QString>(QStringLiteral("gsk_legacy")));
        QVERIFY(!settings.contains(SettingsKeys::groqAPIKey.name));
        QCOMPARE(awaitTask(secrets.read(KeyStore::account)).data, QByteArrayLiteral("gsk_legacy"));

        QVERIFY(awaitTask(relaunched.setGroqAPIKey(QStringLiteral("   "))));
        QCOMPARE(awaitTask(secrets.read(KeyStore::account)).status, SecretStore::Status::NotFound);

        // The key never lands in a plain file.
        settings.flush();
        QFile file(m_env->settingsFilePath());
        QVERIFY(!file.exists() || (file.open(QIODevice::ReadOnly) && !file.readAll().contains("gsk_")));
    }
};

TAMSEL_TEST_MAIN(TestKeyStore)
#include "tst_keystore.moc"
