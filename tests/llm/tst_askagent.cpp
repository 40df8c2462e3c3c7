#include "llm/AskAgent.h"

#include "llm/GroqClient.h"
#include "llm/ToolExecutor.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include "support/AwaitTask.h"
#include "support/FakeClock.h"
#include "support/MockGroqServer.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QTimer>

#include <qcoro/qcorotimer.h>

using Response = MockGroqServer::Response;

namespace {
const QString testKey = "gsk_agent_key_0123456789";

// Runs calls with a pause in the middle, so that overlapping calls would be seen.
class ScriptedTools final : public ToolExecutor {
public:
    QList<ToolSpec> specs() const override
    {
        return { { "get_clipboard", "Read the clipboard.", QJsonObject { { "type", "object" } } } };
    }
    QCoro::Task<QString> execute(ToolCall call) override
    {
        maxInFlight = std::max(maxInFlight, ++inFlight);
        co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        --inFlight;
        executed.append(call);
        co_return results.value(call.name, "done");
    }

    QHash<QString, QString> results;
    QList<ToolCall> executed;
    int inFlight = 0;
    int maxInFlight = 0;
};

// The assistant message of an answer asking for the given calls, shaped like gpt-oss's: tool calls
// and reasoning, no "content" member.
QJsonObject toolCallsMessage(const QStringList &names, const QString &idPrefix = "fc_")
{
    QJsonArray calls;
    for (qsizetype i = 0; i < names.size(); ++i) {
        calls.append(QJsonObject { { "id", QString(idPrefix + QString::number(i)) }, { "type", "function" },
            { "function", QJsonObject { { "name", names.at(i) }, { "arguments", "{}" } } } });
    }
    return QJsonObject { { "role", "assistant" }, { "tool_calls", calls }, { "reasoning", "The user wants it." } };
}

Response toolCallsAnswer(const QStringList &names, const QString &idPrefix = "fc_")
{
    return Response::completion(toolCallsMessage(names, idPrefix));
}

Response replyAnswer(const QString &text)
{
    return Response::completion(QJsonObject { { "role", "assistant" }, { "content", text } });
}

QJsonArray messagesOf(const MockGroqServer::Request &request)
{
    return QJsonDocument::fromJson(request.body).object().value("messages").toArray();
}
}

class TestAskAgent : public QObject {
    Q_OBJECT

public:
    explicit TestAskAgent(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    struct Harness {
        Harness(MockGroqServer &server, const QString &settingsPath, std::optional<QString> key)
            : settings(settingsPath)
            , client(network, [key] { return key; })
            , agent(client, tools, settings, clock)
        {
            client.setBaseURL(server.baseURL());
            agent.setTimeZone(QTimeZone(QByteArrayLiteral("America/Los_Angeles")));
        }

        SettingsStore settings;
        FakeClock clock { QDateTime(QDate(2026, 5, 22), QTime(22, 30), Qt::UTC) };
        QNetworkAccessManager network;
        GroqClient client;
        ScriptedTools tools;
        AskAgent agent;
    };

    std::unique_ptr<Harness> harness(std::optional<QString> key = testKey)
    {
        return std::make_unique<Harness>(m_server, m_env->settingsFilePath(), std::move(key));
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(m_server.listen());
    }
    void init()
    {
        m_env->reset();
        m_server.reset();
    }

    void systemPromptIsPersonaToolsAndTime()
    {
        auto h = harness();
        QCOMPARE(h->agent.nowSentence(), "Friday, May 22 2026 at 3:30 PM PDT");
        const QString prompt = h->agent.systemPrompt("You are Bo, a small desktop pet.");
        QVERIFY(prompt.startsWith("You are Bo, a small desktop pet.\n\n"));
        QVERIFY(prompt.endsWith("\n\nIt is currently Friday, May 22 2026 at 3:30 PM PDT."));
    }

    void toolCallsAreAnsweredInOrderBeforeTheNextRequest()
    {
        const QJsonObject first = toolCallsMessage({ "get_clipboard", "web_search" });
        m_server.enqueue({ Response::completion(first), replyAnswer("  Hi there!\n") });
        auto h = harness();
        h->tools.results.insert("get_clipboard", "Clipboard text:\nhello");
        h->tools.results.insert("web_search", "Need a search query.");

        const auto answer = awaitTask(h->agent.ask("what's on my clipboard?", "You are Bo."));
        QCOMPARE(answer.value(), "Hi there!");
        QCOMPARE(h->tools.maxInFlight, 1);
        QCOMPARE(m_server.requests().size(), 2);
        const QJsonObject firstBody = QJsonDocument::fromJson(m_server.requests().at(0).body).object();
        QCOMPARE(firstBody.value("tools").toArray().size(), 1);

        const QJsonArray sent = messagesOf(m_server.requests().at(1));
        QCOMPARE(sent.size(), 5);
        QCOMPARE(sent.at(0)["content"].toString(), h->agent.systemPrompt("You are Bo."));
        QCOMPARE(sent.at(1).toObject(), (QJsonObject { { "role", "user" }, { "content", "what's on my clipboard?" } }));
        QCOMPARE(sent.at(2).toObject(), first);
        QCOMPARE(sent.at(3).toObject(),
            (QJsonObject {
                { "role", "tool" }, { "tool_call_id", "fc_0" }, { "content", "[OK] Clipboard text:\nhello" } }));
        QCOMPARE(sent.at(4)["tool_call_id"].toString(), "fc_1");
    }

    void fourRequestsAtMost()
    {
        for (int i = 0; i < 5; ++i)
            m_server.enqueue(toolCallsAnswer({ "get_clipboard" }, QStringLiteral("r%1_").arg(i)));
        auto h = harness();
        QCOMPARE(awaitTask(h->agent.ask("loop", QString())).error(), ClientError::empty());
        QCOMPARE(m_server.requests().size(), 4);
        QCOMPARE(h->tools.executed.size(), 4); // the fourth answer's tools still ran
        QCOMPARE(messagesOf(m_server.requests().at(3)).size(), 2 + 3 * 2);
    }

    void runawayAnswersAreNotCarriedOut()
    {
        m_server.enqueue({ toolCallsAnswer(QStringList(20, "get_clipboard")), replyAnswer("Done.") });
        auto h = harness();
        QVERIFY(awaitTask(h->agent.ask("x", QString())).ok());
        QCOMPARE(h->tools.executed.size(), AskAgent::maxCallsPerAnswer);
        const QJsonArray sent = messagesOf(m_server.requests().at(1));
        QCOMPARE(sent.size(), 3 + 20);
        QCOMPARE(sent.last()["tool_call_id"].toString(), "fc_19");
        QVERIFY(sent.last()["content"].toString().startsWith("[ERROR] "));
    }

    void failuresComeBackAsErrors()
    {
        auto noKey = harness(std::nullopt);
        QCOMPARE(awaitTask(noKey->agent.ask("hi", QString())).error(), ClientError::missingKey());
        QVERIFY(m_server.requests().isEmpty());

        m_server.enqueue({ replyAnswer(" \n\t "), Response::fixture(401, "error-401-invalid-api-key.json") });
        auto h = harness();
        h->settings.setValue(SettingsKeys::groqModel, QString()); // an empty stored model is sent as it is
        QCOMPARE(awaitTask(h->agent.ask("hi", QString())).error(), ClientError::empty());
        QCOMPARE(QJsonDocument::fromJson(m_server.requests().at(0).body)["model"].toString(), QString());
        QCOMPARE(awaitTask(h->agent.ask("hi", QString())).error().status(), 401);
    }

    void deletingTheAgentMidQuestionIsSafe()
    {
        m_server.enqueue(replyAnswer("late").delayed(300));
        auto h = harness();
        auto *agent = new AskAgent(h->client, h->tools, h->settings, h->clock);
        auto task = agent->ask("hi", QString());
        QTimer::singleShot(50, agent, [agent] { delete agent; });
        QCOMPARE(awaitTask(std::move(task)).error(), ClientError::cancelled());

        // The tools may go away too (the composition root tears them down first).
        m_server.enqueue(toolCallsAnswer({ QStringLiteral("get_clipboard") }).delayed(300));
        auto *tools = new ScriptedTools;
        AskAgent withTools(h->client, *tools, h->settings, h->clock);
        QTimer::singleShot(50, tools, &QObject::deleteLater); // while the request is still unanswered
        QCOMPARE(awaitTask(withTools.ask(QStringLiteral("hi"), QString())).error(), ClientError::cancelled());
    }

    void resultsAreTaggedOnce_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("tagged");
        const auto row = [](const char *name, const QString &result, const QString &tagged) {
            QTest::newRow(name) << result << tagged;
        };
        row("success", "Saved to clipboard.", "[OK] Saved to clipboard.");
        row("couldn't, indented", " \tCouldn't open x.", "[ERROR]  \tCouldn't open x.");
        row("permission", "PERMISSION_REQUIRED: grant it", "[ERROR] PERMISSION_REQUIRED: grant it");
        row("permission lower case", "permission_required: x", "[OK] permission_required: x");
        row("line break first", "\nCouldn't", "[OK] \nCouldn't");
        row("typographic apostrophe", "Couldn\u2019t", "[OK] Couldn\u2019t");
        row("already an error", "[ERROR] Refused to open a ftp: link.", "[ERROR] Refused to open a ftp: link.");
        row("already ok", " [OK] fine", " [OK] fine");
        row("empty", QString(), "[OK] ");
    }
    void resultsAreTaggedOnce()
    {
        QFETCH(QString, result);
        QFETCH(QString, tagged);
        QCOMPARE(AskAgent::tagToolResult(result), tagged);
    }

private:
    TestEnvironment *m_env;
    MockGroqServer m_server;
};

TAMSEL_TEST_MAIN(TestAskAgent)
#include "tst_askagent.moc"
