#include "app/AppWindows.h"
#include "app/AskCoordinator.h"
#include "preferences/CharacterCard.h"
#include "preferences/DelayedAction.h"
#include "preferences/PreferencesWindow.h"
#include "userdata/CharacterStore.h"
#include "widgets/ChoiceMenu.h"

#include "support/AppHarness.h"
#include "support/MockGroqServer.h"
#include "support/TestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

// The character card under the Behavior settings of a running coordinator: the delayed save on
// its fake clock, the listening menu, and Enhance against the loopback stand-in of the service.
class TestGuiCharacterCard : public QObject {
    Q_OBJECT

public:
    explicit TestGuiCharacterCard(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    static CharacterCard *showCard(AppHarness &app)
    {
        app.coordinator->windows().showPreferences(PreferencesSection::Behavior);
        return app.coordinator->windows().preferencesWindow()->findChild<CharacterCard *>();
    }
    template<typename T> static T *find(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void init() { m_env->reset(); }

    void theNameIsStoredHalfASecondAfterTypingStops()
    {
        AppHarness app(m_env);
        app.launch();
        const QString pet = *app.coordinator->activePetID();
        CharacterCard *card = showCard(app);
        auto *name = find<QLineEdit>(card, "characterNameField");
        auto *save = find<DelayedAction>(card, "characterNameSave");
        const QString before = app.coordinator->characterStore().character(pet).name;
        name->setFocus();
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, " Bo");
        app.clock.advanceMs(499);
        QVERIFY(!save->runIfDue());
        QTest::keyClicks(name, "b");
        app.clock.advanceMs(499);
        QVERIFY(!save->runIfDue());
        QCOMPARE(app.coordinator->characterStore().character(pet).name, before);
        app.clock.advanceMs(1);
        QVERIFY(save->runIfDue());
        QCOMPARE(app.coordinator->characterStore().character(pet).name, " Bob");

        auto *listening = find<ChoiceMenu>(card, "listeningRowMenu");
        QCOMPARE(listening->itemText(0), "Don't change");
        listening->setCurrentIndex(3);
        QCOMPARE(app.coordinator->characterStore().character(pet).listeningAnimationRow, 2);
        listening->setCurrentIndex(0);
        QVERIFY(!app.coordinator->characterStore().character(pet).listeningAnimationRow);
    }

    void aFailedEnhancementKeepsThePersonalityAndSaysWhy()
    {
        MockGroqServer server;
        QVERIFY(server.listen());
        AppHarness app(m_env);
        app.launch();
        app.coordinator->ask().client().setBaseURL(server.baseURL());
        const QString pet = *app.coordinator->activePetID();
        PetCharacter character = app.coordinator->characterStore().character(pet);
        character.personality = "Grumpy but kind.";
        app.coordinator->characterStore().setCharacter(pet, character);
        CharacterCard *card = showCard(app);
        auto *enhance = find<QPushButton>(card, "enhanceButton");
        QVERIFY(!enhance->isEnabled());
        QCOMPARE(enhance->toolTip(), "Add a Groq key in Advanced first.");

        QVERIFY(awaitTask(app.keyStore.setGroqAPIKey(QStringLiteral("gsk_test_key_wxyz"))));
        QVERIFY(enhance->isEnabled());
        server.enqueue(MockGroqServer::Response::fixture(401, "error-401-invalid-api-key.json").delayed(100));
        enhance->click();
        QCOMPARE(enhance->text(), "Enhancing…");
        QVERIFY(!enhance->isEnabled());
        QTRY_VERIFY(!card->isEnhancing());
        QCOMPARE(enhance->text(), "Enhance");
        QCOMPARE(app.coordinator->characterStore().character(pet).personality, "Grumpy but kind.");
        QCOMPARE(find<QPlainTextEdit>(card, "personalityEditor")->toPlainText(), "Grumpy but kind.");
        auto *error = find<QLabel>(card, "enhanceError");
        QVERIFY(error->isVisible());
        QVERIFY2(error->text().contains("API key"), qPrintable(error->text()));
    }
};

TAMSEL_TEST_MAIN(TestGuiCharacterCard)
#include "tst_gui_charactercard.moc"
