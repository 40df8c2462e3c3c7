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
#include <QNetworkAccessManager>
#include <QPushButton>

// The Groq card on screen, driven through its widgets: the model check with its migration and
// hints, and clearing the key.
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
    MockGroqServer m_server;

    struct Fixture {
        explicit Fixture(const QUrl &base, TestEnvironment *env)
            : settings(env->settingsFilePath())
            , keys(secrets, settings)
            , client(network, keys.keyProvider())
        {
            client.setBaseURL(base);
            secrets.items.insert(KeyStore::account, "gsk_test_key_wxyz");
            awaitTask(keys.load());
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
    void initTestCase() { QVERIFY(m_server.listen()); }
    void init()
    {
        m_env->reset();
        m_server.reset();
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
        Fixture f(m_server.baseURL(), m_env);
        f.settings.setValue(SettingsKeys::groqModel, "lab/old-model");
        m_server.enqueue(listing.delayed(100));
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
        QCOMPARE(m_server.requests().size(), 1);

        // Choosing a model stores it and drops the migration note.
        menu->setCurrentIndex(menu->findText("openai/gpt-oss-20b"));
        emit menu->activated(menu->currentIndex());
        QCOMPARE(f.settings.value(SettingsKeys::groqModel), "openai/gpt-oss-20b");
        QVERIFY(!modelHint->text().contains("no longer offered"));
    }

    void clearingAsksFirstThenForgetsTheKey()
    {
        Fixture f(m_server.baseURL(), m_env);
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
