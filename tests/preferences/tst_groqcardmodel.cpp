#include "llm/GroqClient.h"
#include "preferences/GroqCardModel.h"
#include "services/KeyStore.h"
#include "settings/SettingsStore.h"

#include "support/AwaitTask.h"
#include "support/FakeSecretStore.h"
#include "support/MockGroqServer.h"
#include "support/TestMain.h"

#include <QNetworkAccessManager>

// The Groq card's key handling and connection test against an in-memory keyring and the loopback
// stand-in of the service. (Model choices, hints and clearing are driven through the card's
// widgets in tst_gui_groqcard.)
class TestGroqCardModel : public QObject {
    Q_OBJECT

public:
    explicit TestGroqCardModel(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    using Response = MockGroqServer::Response;
    TestEnvironment *m_env;
    MockGroqServer m_server;

    struct Card {
        explicit Card(const QUrl &base, TestEnvironment *env)
            : settings(env->settingsFilePath())
            , keys(secrets, settings)
            , client(network, keys.keyProvider())
            , model(keys, settings, client)
        {
            client.setBaseURL(base);
            client.setSleeper([](std::chrono::milliseconds) -> QCoro::Task<> { co_return; });
        }
        FakeSecretStore secrets;
        SettingsStore settings;
        KeyStore keys;
        QNetworkAccessManager network;
        GroqClient client;
        GroqCardModel model;
    };

private slots:
    void initTestCase() { QVERIFY(m_server.listen()); }
    void init()
    {
        m_env->reset();
        m_server.reset();
        qunsetenv("GROQ_API_KEY");
    }

    void savesTheTrimmedKeyAndKeepsTheDraftWhenTheKeyringRefuses()
    {
        Card card(m_server.baseURL(), m_env);
        awaitTask(card.keys.load());
        QCOMPARE(card.model.keyPlaceholder(), "paste your Groq key");

        card.model.setKeyDraft(" \t\n");
        awaitTask(card.model.saveKey());
        QCOMPARE(card.secrets.addCalls, 0);

        card.model.setKeyDraft("  gsk_abcd1234\n");
        awaitTask(card.model.saveKey());
        QCOMPARE(card.secrets.items.value(KeyStore::account), "gsk_abcd1234");
        QCOMPARE(card.model.keyDraft(), QString());
        QCOMPARE(card.model.chipText(), "SAVED");
        QCOMPARE(card.model.saveButtonText(), "Update");
        QCOMPARE(card.model.keyPlaceholder(), "••••••••••••  ·  paste a new key to replace");
        QCOMPARE(card.model.keyOnFileText(), "Key on file · ends in 1234");

        card.secrets.failWrites = true;
        card.model.setKeyDraft("gsk_other");
        awaitTask(card.model.saveKey());
        QCOMPARE(card.model.keyDraft(), "gsk_other");
        QCOMPARE(card.model.pillText(), "Error");
        QCOMPARE(card.model.statusHint(), "The keyring didn't save the key: " + card.secrets.refusal);
        QCOMPARE(card.model.keyOnFileText(), "Key on file · ends in 1234");

        card.secrets.failWrites = false;
        card.model.setKeyDraft("abc");
        awaitTask(card.model.saveKey());
        QVERIFY(!card.model.keyOnFileText().contains("abc"));
    }

    void aKeyFromTheEnvironmentCannotBeCleared()
    {
        qputenv("GROQ_API_KEY", "gsk_fromenv9876");
        Card card(m_server.baseURL(), m_env);
        card.secrets.available = false;
        awaitTask(card.keys.load());
        QCOMPARE(card.model.keyOnFileText(), "Key from GROQ_API_KEY · ends in 9876");
        QVERIFY(!card.model.canClear());
        QVERIFY(card.model.keyringAdvice().contains("gnome-keyring"));
    }

    void testsTheConnectionWithTheStoredModel_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("pill");
        QTest::addColumn<QString>("hint");
        QTest::newRow("ok with a line break")
            << Response::completion({ { "role", "assistant" }, { "content", "ok\n" } }) << "Ready"
            << "Got: ok";
        QTest::newRow("invalid key") << Response::fixture(401, "error-401-invalid-api-key.json") << "Error"
                                     << "Groq rejected the API key";
    }
    void testsTheConnectionWithTheStoredModel()
    {
        QFETCH(Response, response);
        QFETCH(QString, pill);
        QFETCH(QString, hint);
        Card card(m_server.baseURL(), m_env);
        card.secrets.items.insert(KeyStore::account, "gsk_test");
        awaitTask(card.keys.load());
        card.model.chooseModel("qwen/qwen3.8-27b");
        m_server.enqueue(response.delayed(50));
        auto task = card.model.testConnection();
        QCOMPARE(card.model.pillText(), "Testing");
        QCOMPARE(card.model.statusHint(), "Sending one tiny ping…");
        awaitTask(std::move(task));
        QCOMPARE(card.model.pillText(), pill);
        QVERIFY2(card.model.statusHint().contains(hint), qPrintable(card.model.statusHint()));
        QVERIFY(m_server.requests().at(0).body.contains("\"model\":\"qwen/qwen3.8-27b\""));
    }
};

Q_DECLARE_METATYPE(MockGroqServer::Response)
TAMSEL_TEST_MAIN(TestGroqCardModel)
#include "tst_groqcardmodel.moc"
