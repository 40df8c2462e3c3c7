#include "llm/GroqClient.h"
#include "preferences/AnimationRowCard.h"
#include "preferences/AnimationsPane.h"
#include "services/KeyStore.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "widgets/Chip.h"
#include "widgets/Theme.h"

#include "support/AwaitTask.h"
#include "support/FakeSecretStore.h"
#include "support/FrameAtlas.h"
#include "support/MockGroqServer.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

// The Animations pane on screen for a pet whose rows 0, 1 and 3 have frames, driven through its
// widgets against an in-memory keyring and the loopback stand-in of Groq.
class TestGuiAnimationsPane : public QObject {
    Q_OBJECT

public:
    explicit TestGuiAnimationsPane(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    static inline const QString pet = QStringLiteral("frame-atlas");
    TestEnvironment *m_env;

    struct Fixture {
        Fixture(TestEnvironment *env, const QUrl &base)
            : settings(env->settingsFilePath())
            , keys(secrets, settings)
            , client(network, keys.keyProvider())
            , maps(settings)
            , characters(settings)
        {
            client.setBaseURL(base);
        }
        void show(bool withKey = true, const QString &personality = QStringLiteral("A grumpy cat."))
        {
            if (withKey)
                secrets.items.insert(KeyStore::account, "gsk_test_key_wxyz");
            awaitTask(keys.load());
            characters.setCharacter(pet, { {}, personality, {}, {} });
            pane = std::make_unique<AnimationsPane>(AnimationsPane::Context { settings, keys, client, alerts, maps,
                characters, pet, FrameAtlas::decoder({ 4, 2, 0, 3 }), QString(),
                [this](PreferencesSection section) { navigated.append(section); }, [] {} });
            Theme::applyLightPalette(pane.get());
            pane->resize(620, 900);
            pane->show();
        }
        template<typename T> T *find(const char *name, QObject *in = nullptr) const
        {
            return (in ? in : pane.get())->findChild<T *>(QString::fromLatin1(name));
        }
        AnimationRowCard *card(qint64 row) const
        {
            return pane->findChild<AnimationRowCard *>(QStringLiteral("animationRowCard%1").arg(row));
        }
        QAction *action(qint64 row, const QString &text) const
        {
            for (QAction *each : find<QMenu>("rowActionsMenu", card(row))->actions()) {
                if (each->text() == text)
                    return each;
            }
            return nullptr;
        }

        FakeSecretStore secrets;
        SettingsStore settings;
        KeyStore keys;
        QNetworkAccessManager network;
        GroqClient client;
        ScriptedAlertPresenter alerts;
        PetAnimationMapStore maps;
        CharacterStore characters;
        QList<PreferencesSection> navigated;
        std::unique_ptr<AnimationsPane> pane;
    };

    static MockGroqServer::Response reply(const QString &row, int count)
    {
        QJsonArray lines;
        for (int i = 1; i <= count; ++i)
            lines.append(QStringLiteral("New line %1.").arg(i));
        const QString content = QString::fromUtf8(QJsonDocument(QJsonObject { { row, lines } }).toJson());
        return MockGroqServer::Response::completion(QJsonObject { { "role", "assistant" }, { "content", content } });
    }

    static void fire(QTimer *timer)
    {
        QVERIFY(timer->isActive());
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    }

private slots:
    void init() { m_env->reset(); }

    void cardsAndGenerateGates_data()
    {
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<QString>("personality");
        QTest::addColumn<QString>("rowName");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QList<PreferencesSection>>("navigated");
        QTest::newRow("no key") << false << "A cat."
                                << "Wave"
                                << "Add Groq key" << true << "Chatter lines are written by Groq."
                                << QList<PreferencesSection> { PreferencesSection::Advanced };
        QTest::newRow("blank personality") << true << " \t"
                                           << "Wave"
                                           << "Set personality" << true << "Tamsel needs a personality to write from."
                                           << QList<PreferencesSection> { PreferencesSection::Behavior };
        QTest::newRow("no names") << true << "A cat."
                                  << "  "
                                  << "Generate all" << false << "0 of 3 animations named · covers every named row"
                                  << QList<PreferencesSection> {};
        QTest::newRow("ready") << true << "A cat."
                               << "Wave"
                               << "Generate all" << true << "1 of 3 animations named · covers every named row"
                               << QList<PreferencesSection> {};
    }

    void cardsAndGenerateGates()
    {
        QFETCH(bool, withKey);
        QFETCH(QString, personality);
        QFETCH(QString, rowName);
        QFETCH(QString, action);
        QFETCH(bool, enabled);
        QFETCH(QString, hint);
        QFETCH(QList<PreferencesSection>, navigated);
        MockGroqServer server;
        QVERIFY(server.listen());
        Fixture f(m_env, server.baseURL());
        f.maps.setMapping(pet, 3, { rowName, {} });
        f.show(withKey, personality);

        QStringList tags;
        for (auto *card : f.pane->findChildren<AnimationRowCard *>())
            tags << f.find<QLabel>("rowTag", card)->text();
        QCOMPARE(tags, QStringList({ "DEFAULT · ROW 0", "ANIMATION 2", "ANIMATION 4" }));
        QCOMPARE(f.find<QLabel>("rowDetails", f.card(1))->text(), "2 frames");

        auto *button = f.find<QPushButton>("generateAction");
        QCOMPARE(button->text(), action);
        QCOMPARE(button->isEnabled(), enabled);
        QCOMPARE(f.find<QLabel>("generateHint")->text(), hint);
        // Drawn where the desktop has no icon theme.
        QList<QIcon> icons { button->icon(), f.find<QPushButton>("addChatLinesLink", f.card(1))->icon() };
        for (QAction *each : f.find<QMenu>("rowActionsMenu", f.card(3))->actions())
            icons << each->icon();
        QVERIFY(std::none_of(icons.cbegin(), icons.cend(), [](const QIcon &icon) { return icon.isNull(); }));
        // The menu is as light as the pane whatever the desktop's theme.
        QCOMPARE(f.find<QMenu>("rowActionsMenu", f.card(3))->palette().color(QPalette::Window), Theme::Surface::window);
        // "Cancel" on the confirmation sends nothing.
        f.alerts.buttonAnswers.enqueue(2);
        button->click();
        QCOMPARE(f.navigated, navigated);
        QCOMPARE(f.alerts.alerts.size(), navigated.isEmpty() && enabled ? 1 : 0);
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(f.action(3, "Replace chat lines")->isEnabled(), enabled && navigated.isEmpty());
    }

    void nameIsStoredHalfASecondAfterTypingStops()
    {
        Fixture f(m_env, QUrl());
        f.show();
        auto *field = f.find<QLineEdit>("rowNameField", f.card(1));
        auto *timer = f.find<QTimer>("nameSaveTimer", f.card(1));
        QCOMPARE(timer->interval(), 500);
        field->setFocus();
        QTest::keyClicks(field, "Wa");
        QTest::keyClicks(field, "ve ");
        QVERIFY(f.maps.maps().isEmpty());
        fire(timer);
        QCOMPARE(f.maps.mapping(pet, 1).name, "Wave ");
        QCOMPARE(f.find<Chip>("rowStatusChip", f.card(1))->text(), "Silent");

        // Emptying the name of a row without chatter removes the row.
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(f.maps.mapping(pet, 1).name, "Wave ");
        fire(timer);
        QVERIFY(f.maps.maps().isEmpty());
        QCOMPARE(f.find<Chip>("rowStatusChip", f.card(1))->text(), "Unnamed");

        // Closing the window keeps a name typed just before.
        QTest::keyClicks(f.find<QLineEdit>("rowNameField", f.card(3)), "Hop");
        f.pane.reset();
        QCOMPARE(f.maps.mapping(pet, 3).name, "Hop");
    }

    void chatterSheetStoresTrimmedNonBlankLines()
    {
        Fixture f(m_env, QUrl());
        f.maps.setMapping(pet, 3, { "Sleep", {} });
        f.show();
        QTest::mouseClick(f.find<Chip>("rowStatusChip", f.card(3)), Qt::LeftButton);
        QCOMPARE(f.pane->editingChatter(), 3);
        auto *sheet = f.find<QWidget>("chatterSheet");
        QCOMPARE(f.find<QLabel>("chatterSheetTitle", sheet)->text(), "Sleep");
        auto *editor = f.find<QPlainTextEdit>("chatterEditor", sheet);
        editor->setPlainText("\n  Zzz… \n\n\t Five more minutes.\t\r\n   \n");
        QVERIFY(f.maps.chatter(pet, 3).isEmpty());
        fire(f.find<QTimer>("chatterSaveTimer", sheet));
        QCOMPARE(f.maps.chatter(pet, 3), QStringList({ "Zzz…", "Five more minutes." }));
        QCOMPARE(f.find<QLabel>("rowDetails", f.card(3))->text(), "3 frames · “Zzz…” · +1 more");
        QCOMPARE(f.find<Chip>("rowStatusChip", f.card(3))->text(), "2 lines");

        // "Done" saves what was typed since, without waiting, and closes the sheet.
        editor->appendPlainText("Night.");
        f.find<QPushButton>("chatterDoneButton", sheet)->click();
        QCOMPARE(f.maps.chatter(pet, 3), QStringList({ "Zzz…", "Five more minutes.", "Night." }));
        QVERIFY(!f.pane->editingChatter());

        // A long first line gives way to the count of the others.
        f.maps.setMapping(pet, 3, { "Sleep", { QString(60, 'W'), "Night." } });
        auto *details = f.find<QLabel>("rowDetails", f.card(3));
        QVERIFY2(details->text().endsWith("” · +1 more"), qPrintable(details->text()));
        QVERIFY(details->sizeHint().width() <= f.find<QLineEdit>("rowNameField", f.card(3))->width());

        f.action(3, "Clear chat lines")->trigger();
        QCOMPARE(f.maps.mapping(pet, 3), AnimationMapping({ "Sleep", {} }));
    }

    void generatedLinesAppendOrReplace()
    {
        MockGroqServer server;
        QVERIFY(server.listen());
        Fixture f(m_env, server.baseURL());
        f.maps.setMapping(pet, 1, { "Wave", { "Hi.", "Hello." } });
        f.show();

        server.enqueue(reply("Wave", 8).delayed(50));
        f.action(1, "Append chat lines")->trigger();
        QCOMPARE(f.find<Chip>("rowStatusChip", f.card(1))->text(), "Generating…");
        QVERIFY(!f.action(1, "Append chat lines")->isEnabled());
        QTRY_COMPARE(f.maps.chatter(pet, 1).size(), 10);
        QCOMPARE(f.maps.chatter(pet, 1).mid(0, 3), QStringList({ "Hi.", "Hello.", "New line 1." }));
        QCOMPARE(f.find<Chip>("rowStatusChip", f.card(1))->text(), "10 lines");

        server.enqueue(reply("Wave", 8));
        f.alerts.buttonAnswers.enqueue(0);
        f.find<QPushButton>("generateAction")->click();
        QCOMPARE(f.alerts.alerts.last().buttons.first(), "Generate (replace)");
        QVERIFY(f.pane->isBatchBusy());
        QTRY_VERIFY(!f.pane->isBatchBusy());
        QCOMPARE(f.maps.chatter(pet, 1).size(), 8);
        QCOMPARE(f.maps.chatter(pet, 1).first(), "New line 1.");

        // A failure leaves the lines alone and says why inside the pane.
        server.enqueue(MockGroqServer::Response::json(400, R"({"error":{"message":"Upstream broke"}})"));
        f.action(1, "Replace chat lines")->trigger();
        auto *error = f.find<QWidget>("chatterErrorCard");
        QTRY_VERIFY(error->isVisible());
        QVERIFY(!f.find<QLabel>("chatterErrorText")->text().isEmpty());
        QCOMPARE(f.maps.chatter(pet, 1).size(), 8);
    }
};

TAMSEL_TEST_MAIN(TestGuiAnimationsPane)
#include "tst_gui_animationspane.moc"
