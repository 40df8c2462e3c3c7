#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "support/DesktopProbe.h"
#include "support/MockGroqServer.h"
#include "support/RunningProgram.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QTest>

using DesktopProbe::xdotool;
using Response = MockGroqServer::Response;

// The real program asked a question the way a person asks it: Super+K, typing straight away, Enter.
class TestAskPromptEndToEnd : public QObject {
    Q_OBJECT

public:
    explicit TestAskPromptEndToEnd(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    TestEnvironment *m_env;

    static QString visibleWindow(const QString &name)
    {
        return xdotool({ "search", "--onlyvisible", "--name", name }).section('\n', 0, 0);
    }

    static void saveShot(const QRect &area, const QString &name)
    {
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(area);
        QVERIFY(shot.save(QDir(TAMSEL_BINARY_DIR).filePath(name)));
    }

private slots:
    void typedQuestionRunsAToolAndTheAnswerIsSpoken()
    {
        {
            SettingsStore settings(m_env->settingsFilePath());
            settings.setBehaviorMode(BehaviorMode::Still);
            // An old release kept the key here; launch moves it into the keyring.
            settings.setValue(SettingsKeys::groqAPIKey, QStringLiteral("gsk_end_to_end"));
        }
        MockGroqServer server;
        QVERIFY(server.listen());
        QJsonObject call { { "id", "call_1" }, { "type", "function" },
            { "function", QJsonObject { { "name", "save_note" }, { "arguments", R"({"content":"buy oat milk"})" } } } };
        server.enqueue({ Response::completion({ { "role", "assistant" }, { "tool_calls", QJsonArray { call } } }),
            Response::completion({ { "role", "assistant" },
                { "content", "Noted! Oat milk is on your list now, so you won't forget it." } }) });

        RunningProgram program;
        QVERIFY(program.start({ "TAMSEL_GROQ_BASE_URL=" + server.baseURL().toString() }));
        QString pet;
        QTRY_VERIFY_WITH_TIMEOUT(!(pet = DesktopProbe::petWindow()).isEmpty(), 20000);
        const QRect cat = DesktopProbe::geometry(pet);

        xdotool({ "key", "super+k" });
        QString prompt;
        QTRY_VERIFY_WITH_TIMEOUT(!(prompt = visibleWindow("^Ask Tamsel$")).isEmpty(), 5000);
        // The prompt has the keyboard: no click before typing.
        QTRY_COMPARE_WITH_TIMEOUT(xdotool({ "getactivewindow" }), prompt, 5000);
        QTest::qWait(400); // let the compositor draw the panel and its shadow for the picture
        const QRect panel = DesktopProbe::geometry(prompt);
        saveShot((panel | cat).adjusted(-24, -24, 24, 24), QStringLiteral("e2e-ask-prompt.png"));

        xdotool({ "type", "--delay", "20", "Please note: buy oat milk" });
        xdotool({ "key", "Return" });
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindow("^Ask Tamsel$").isEmpty(), 5000);

        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 2, 20000);
        const QJsonObject first = QJsonDocument::fromJson(server.requests().at(0).body).object();
        const QJsonArray messages = first.value("messages").toArray();
        QCOMPARE(messages.last().toObject().value("content").toString(), QStringLiteral("Please note: buy oat milk"));
        QVERIFY(server.requests().at(0).body.contains("\"save_note\""));
        QCOMPARE(server.requests().at(0).header("authorization"), QByteArray("Bearer gsk_end_to_end"));
        // The tool ran before the model was asked again.
        QVERIFY(server.requests().at(1).body.contains("[OK] "));

        QFile notes(m_env->dataHome() + "/Tamsel Desk/notes.json");
        QTRY_VERIFY_WITH_TIMEOUT(notes.exists(), 5000);
        QVERIFY(notes.open(QIODevice::ReadOnly));
        QVERIFY(notes.readAll().contains("buy oat milk"));

        // The answer replaces "Thinking…": a wider bubble above the cat.
        QString bubble;
        QTRY_VERIFY_WITH_TIMEOUT(!(bubble = visibleWindow("speech bubble")).isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(DesktopProbe::geometry(bubble).width() > 200, 10000);
        QTest::qWait(400);
        const QRect area = DesktopProbe::geometry(bubble) | cat;
        saveShot(area.adjusted(-24, -24, 24, 24), QStringLiteral("e2e-ask-answer.png"));

        QCOMPARE(program.stop(), QString());
    }
};

TAMSEL_TEST_MAIN(TestAskPromptEndToEnd)
#include "tst_askprompt.moc"
