#include "llm/GroqClient.h"
#include "preferences/GroqCard.h"
#include "services/KeyStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "widgets/Chip.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/Theme.h"

#include "support/AwaitTask.h"
#include "support/FakeSecretStore.h"
#include "support/MockGroqServer.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/TestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>

// The Groq card on screen, driven through its widgets against an in-memory keyring and the
// loopback stand-in of the service: saving and clearing the key, the model check with its
// migration and hints, and the connection test.
class TestGuiGroqCard : public QObject {
    Q_OBJECT

public:
    explicit TestGuiGroqCard(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    using Response = MockGroqServer::Response;
    TestEnvironment *m_env;
    // A fresh server per test, so a request the previous test left in flight never lands here.
    std::unique_ptr<MockGroqServer> m_server;

    struct Fixture {
        explicit Fixture(const QUrl &base, TestEnvironment *env, bool withKey = true)
            : settings(env->settingsFilePath())
            , keys(secrets, settings)
            , client(network, keys.keyProvider())
        {
            client.setBaseURL(base);
            if (withKey)
                secrets.items.insert(KeyStore::account, "gsk_test_key_wxyz");
            awaitTask(keys.load());
        }
        ~Fixture()
        {
            // A request still out ends now, while the card and the client exist, so that no
            // coroutine is left waiting for a reply the network manager would delete unanswered.
            for (QNetworkReply *reply : network.findChildren<QNetworkReply *>())
                reply->abort();
        }
        GroqCard &show()
        {
            card = std::make_unique<GroqCard>(keys, settings, client, alerts);
            Theme::applyLightPalette(card.get());
            card->resize(440, card->sizeHint().height());
            card->show();
            return *card;
        }
        template<typename T> T *find(const char *name) const { return card->findChild<T *>(QString::fromLatin1(name)); }

        FakeSecretStore secrets;
        SettingsStore settings;
        KeyStore keys;
        QNetworkAccessManager network;
        GroqClient client;
        ScriptedAlertPresenter alerts;
        std::unique_ptr<GroqCard> card;
    };

    static QStringList items(const QComboBox *menu)
    {
        QStringList texts;
        for (int i = 0; i < menu->count(); ++i)
            texts << menu->itemText(i);
        return texts;
    }

private slots:
    void init()
    {
        m_env->reset();
        m_server = std::make_unique<MockGroqServer>();
        QVERIFY(m_server->listen());
        qunsetenv("GROQ_API_KEY");
    }

    void savesTheTrimmedKeyAndKeepsTheDraftWhenTheKeyringRefuses()
    {
        Fixture f(m_server->baseURL(), m_env, false);
        f.show();
        auto *field = f.find<QLineEdit>("groqKeyField");
        auto *save = f.find<QPushButton>("groqSaveButton");
        QCOMPARE(field->placeholderText(), "paste your Groq key");
        QCOMPARE(field->echoMode(), QLineEdit::Password);

        QTest::keyClicks(field, "   ");
        save->click();
        QCOMPARE(f.secrets.addCalls, 0);

        field->clear();
        QTest::keyClicks(field, "  gsk_abcd1234  ");
        save->click();
        QTRY_COMPARE(f.find<Chip>("groqKeyChip")->text(), "SAVED");
        QCOMPARE(f.secrets.items.value(KeyStore::account), "gsk_abcd1234");
        QCOMPARE(field->text(), QString());
        QCOMPARE(save->text(), "Update");
        QCOMPARE(field->placeholderText(), "••••••••••••  ·  paste a new key to replace");
        QCOMPARE(f.find<QLabel>("groqKeyOnFile")->text(), "Key on file · ends in 1234");

        f.secrets.failWrites = true;
        QTest::keyClicks(field, "gsk_other");
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(f.find<Chip>("groqStatusPill")->text(), "Error");
        QCOMPARE(field->text(), "gsk_other");
        QCOMPARE(f.find<QLabel>("groqStatusHint")->text(), "The keyring didn't save the key: " + f.secrets.refusal);

        // Three characters would show the whole key.
        f.secrets.failWrites = false;
        field->clear();
        QTest::keyClicks(field, "abc");
        save->click();
        QTRY_VERIFY(f.find<QLabel>("groqKeyOnFile")->text().contains("too short"));
    }

    void aKeyFromTheEnvironmentCannotBeCleared()
    {
        qputenv("GROQ_API_KEY", "gsk_fromenv9876");
        {
            Fixture withKeyring(m_server->baseURL(), m_env, false);
            QVERIFY(!withKeyring.keys.hasKey()); // a keyring exists, so the environment is not read
        }
        Fixture f(m_server->baseURL(), m_env, false);
        f.secrets.available = false;
        awaitTask(f.keys.load());
        f.show();
        QCOMPARE(f.find<QLabel>("groqKeyOnFile")->text(), "Key from GROQ_API_KEY · ends in 9876");
        QVERIFY(!f.find<QPushButton>("groqClearButton")->isEnabled());
        QVERIFY(f.find<QLabel>("groqKeyringAdvice")->text().contains("gnome-keyring"));
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
        Fixture f(m_server->baseURL(), m_env);
        f.settings.setValue(SettingsKeys::groqModel, "qwen/qwen3.8-27b");
        m_server->enqueue(Response::fixture(200, "models-list.observed-2026.json"));
        f.show();
        QTRY_COMPARE(m_server->requests().size(), 1);
        m_server->enqueue(response.delayed(50));
        f.find<QPushButton>("groqTestButton")->click();
        QCOMPARE(f.find<Chip>("groqStatusPill")->text(), "Testing");
        QCOMPARE(f.find<QLabel>("groqStatusHint")->text(), "Sending one tiny ping…");
        QTRY_COMPARE(f.find<Chip>("groqStatusPill")->text(), pill);
        QVERIFY2(f.find<QLabel>("groqStatusHint")->text().contains(hint),
            qPrintable(f.find<QLabel>("groqStatusHint")->text()));
        QVERIFY(m_server->requests().at(1).body.contains("\"model\":\"qwen/qwen3.8-27b\""));
    }

    void checksTheStoredModelAgainstTheListing_data()
    {
        QTest::addColumn<Response>("listing");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("hint");
        const QByteArray withoutTheLargeModel
            = R"({"object":"list","data":[{"id":"qwen/qwen3.8-27b"},{"id":"openai/gpt-oss-20b"},{"id":"whisper-large-v3"}]})";
        QTest::newRow("model gone, small one offered")
            << Response::json(200, withoutTheLargeModel) << "openai/gpt-oss-20b"
            << "lab/old-model is no longer offered by Groq — switched to openai/gpt-oss-20b.";
        QTest::newRow("listing failed") << Response::fixture(401, "error-401-invalid-api-key.json") << "lab/old-model"
                                        << "Groq doesn't list this model for your key. Pick another if requests fail.";
    }
    void checksTheStoredModelAgainstTheListing()
    {
        QFETCH(Response, listing);
        QFETCH(QString, model);
        QFETCH(QString, hint);
        Fixture f(m_server->baseURL(), m_env);
        f.settings.setValue(SettingsKeys::groqModel, "lab/old-model");
        m_server->enqueue(listing.delayed(100));
        f.show();
        auto *menu = f.find<ChoiceMenu>("groqModelMenu");
        auto *modelHint = f.find<QLabel>("groqModelHint");
        // Before the answer, the stored model is listed first and the card says it is checking.
        QCOMPARE(items(menu), QStringList({ "lab/old-model", "openai/gpt-oss-120b", "openai/gpt-oss-20b" }));
        QTRY_COMPARE(modelHint->text(), "Checking which models your key can reach…");
        QTRY_COMPARE(modelHint->text(), hint);
        QCOMPARE(menu->currentText(), model);
        QCOMPARE(items(menu).first(), model);
        QCOMPARE(f.settings.value(SettingsKeys::groqModel), model);
        QCOMPARE(m_server->requests().size(), 1);

        // Choosing a model stores it and drops the migration note.
        menu->setCurrentIndex(menu->findText("openai/gpt-oss-20b"));
        emit menu->activated(menu->currentIndex());
        QCOMPARE(f.settings.value(SettingsKeys::groqModel), "openai/gpt-oss-20b");
        QVERIFY(!modelHint->text().contains("no longer offered"));
    }

    void clearingAsksFirstThenForgetsTheKey()
    {
        Fixture f(m_server->baseURL(), m_env);
        f.show();
        auto *chip = f.find<Chip>("groqKeyChip");
        auto *clear = f.find<QPushButton>("groqClearButton");
        QCOMPARE(chip->text(), "SAVED");
        QCOMPARE(f.find<QLabel>("groqKeyOnFile")->text(), "Key on file · ends in wxyz");

        f.alerts.buttonAnswers << 1 << 0; // Cancel, then Clear
        clear->click();
        QCOMPARE(f.alerts.alerts.size(), 1);
        QCOMPARE(f.alerts.alerts.first().title, "Clear the Groq key?");
        QCOMPARE(chip->text(), "SAVED");
        clear->click();
        QTRY_COMPARE(chip->text(), "NOT SET");
        QCOMPARE(f.find<QLabel>("groqStatusHint")->text(), "Add an API key to get started.");
        QVERIFY(f.secrets.items.isEmpty());
        QVERIFY(!clear->isVisible());
        QCOMPARE(f.find<QPushButton>("groqSaveButton")->text(), "Save");
    }
};

Q_DECLARE_METATYPE(MockGroqServer::Response)
TAMSEL_TEST_MAIN(TestGuiGroqCard)
#include "tst_gui_groqcard.moc"
