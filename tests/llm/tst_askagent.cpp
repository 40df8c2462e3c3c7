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
const QString testKey = QStringLiteral("gsk_agent_key_0123456789");

// Runs calls with a pause in the middle, so that overlapping calls would be seen.
class ScriptedTools final : public ToolExecutor {
public:
    QList<ToolSpec> specs() const override
    {
        return { { QStringLiteral("get_clipboard"), QStringLiteral("Read the clipboard."),
            QJsonObject { { QStringLiteral("type"), QStringLiteral("object") } } } };
    }
    QCoro::Task<QString> execute(ToolCall call) override
    {
        maxInFlight = std::max(maxInFlight, ++inFlight);
        co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        --inFlight;
        executed.append(call);
        co_return results.value(call.name, QStringLiteral("done"));
    }

    QHash<QString, QString> results;
    QList<ToolCall> executed;
    int inFlight = 0;
    int maxInFlight = 0;
};

// The assistant message of an answer asking for the given calls, shaped like gpt-oss's: tool calls
// and reasoning, no "content" member.
QJsonObject toolCallsMessage(const QStringList &names, const QString &idPrefix = QStringLiteral("fc_"))
{
    QJsonArray calls;
    for (qsizetype i = 0; i < names.size(); ++i) {
        calls.append(QJsonObject { { QStringLiteral("id"), QString(idPrefix + QString::number(i)) },
            { QStringLiteral("type"), QStringLiteral("function") },
            { QStringLiteral("function"),
                QJsonObject { { QStringLiteral("name"), names.at(i) },
                    { QStringLiteral("arguments"), QStringLiteral("{}") } } } });
    }
    return QJsonObject { { QStringLiteral("role"), QStringLiteral("assistant") },
        { QStringLiteral("tool_calls"), calls },
        { QStringLiteral("reasoning"), QStringLiteral("The user wants it.") } };
}

Response toolCallsAnswer(const QStringList &names, const QString &idPrefix = QStringLiteral("fc_"))
{
    return Response::completion(toolCallsMessage(names, idPrefix));
}

Response replyAnswer(const QString &text)
{
    return Response::completion(
        QJsonObject { { QStringLiteral("role"), QStringLiteral("assistant") }, { QStringLiteral("content"), text } });
}

QJsonArray messagesOf(const MockGroqServer::Request &request)
{
    return QJsonDocument::fromJson(request.body).object().value(QLatin1String("messages")).toArray();
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
        QCOMPARE(h->agent.nowSentence(), QStringLiteral("Friday, May 22 2026 at 3:30 PM PDT"));
        const QString prompt = h->agent.systemPrompt(QStringLiteral("You are Bo, a small desktop pet."));
        QVERIFY(prompt.startsWith(QStringLiteral("You are Bo, a small desktop pet.\n\n")));
        QVERIFY(prompt.endsWith(QStringLiteral("\n\nIt is currently Friday, May 22 2026 at 3:30 PM PDT.")));
        QVERIFY(!prompt.contains(QLatin1String("Mac")));
    }

    void toolCallsAreAnsweredInOrderBeforeTheNextRequest()
    {
        const QJsonObject first = toolCallsMessage({ QStringLiteral("get_clipboard"), QStringLiteral("web_search") });
        m_server.enqueue({ Response::completion(first), replyAnswer(QStringLiteral("  Hi there!\n")) });
        auto h = harness();
        h->tools.results.insert(QStringLiteral("get_clipboard"), QStringLiteral("Clipboard text:\nhello"));
        h->tools.results.insert(QStringLiteral("web_search"), QStringLiteral("Need a search query."));

        const auto answer
            = awaitTask(h->agent.ask(QStringLiteral("what's on my clipboard?"), QStringLiteral("You are Bo.")));
        QCOMPARE(answer.value(), QStringLiteral("Hi there!"));
        QCOMPARE(h->tools.maxInFlight, 1);
        QCOMPARE(m_server.requests().size(), 2);
        const QJsonObject firstBody = QJsonDocument::fromJson(m_server.requests().at(0).body).object();
        QCOMPARE(firstBody.value(QLatin1String("model")).toString(), SettingsKeys::defaultGroqModel);
        QCOMPARE(firstBody.value(QLatin1String("tools")).toArray().size(), 1);

        const QJsonArray sent = messagesOf(m_server.requests().at(1));
        QCOMPARE(sent.size(), 5);
        QCOMPARE(sent.at(0)[QLatin1String("content")].toString(), h->agent.systemPrompt(QStringLiteral("You are Bo.")));
        QCOMPARE(sent.at(1).toObject(),
            (QJsonObject { { QStringLiteral("role"), QStringLiteral("user") },
                { QStringLiteral("content"), QStringLiteral("what's on my clipboard?") } }));
        QCOMPARE(sent.at(2).toObject(), first);
        QCOMPARE(sent.at(3).toObject(),
            (QJsonObject { { QStringLiteral("role"), QStringLiteral("tool") },
                { QStringLiteral("tool_call_id"), QStringLiteral("fc_0") },
                { QStringLiteral("content"), QStringLiteral("[OK] Clipboard text:\nhello") } }));
        QCOMPARE(sent.at(4)[QLatin1String("tool_call_id")].toString(), QStringLiteral("fc_1"));
        QCOMPARE(sent.at(4)[QLatin1String("content")].toString(), QStringLiteral("[ERROR] Need a search query."));
    }

    void fourRequestsAtMost()
    {
        for (int i = 0; i < 5; ++i)
            m_server.enqueue(toolCallsAnswer({ QStringLiteral("get_clipboard") }, QStringLiteral("r%1_").arg(i)));
        auto h = harness();
        QCOMPARE(awaitTask(h->agent.ask(QStringLiteral("loop"), QString())).error(), ClientError::empty());
        QCOMPARE(m_server.requests().size(), 4);
        QCOMPARE(h->tools.executed.size(), 4); // the fourth answer's tools still ran
        QCOMPARE(messagesOf(m_server.requests().at(3)).size(), 2 + 3 * 2);
    }

    void runawayAnswersAreNotCarriedOut()
    {
        m_server.enqueue({ toolCallsAnswer(QStringList(20, QStringLiteral("get_clipboard"))),
            replyAnswer(QStringLiteral("Done.")) });
        auto h = harness();
        QVERIFY(awaitTask(h->agent.ask(QStringLiteral("x"), QString())).ok());
        QCOMPARE(h->tools.executed.size(), AskAgent::maxCallsPerAnswer);
        const QJsonArray sent = messagesOf(m_server.requests().at(1));
        QCOMPARE(sent.size(), 3 + 20);
        QCOMPARE(sent.last()[QLatin1String("tool_call_id")].toString(), QStringLiteral("fc_19"));
        QVERIFY(sent.last()[QLatin1String("content")].toString().startsWith(QLatin1String("[ERROR] ")));
    }

    void failuresComeBackAsErrors()
    {
        auto noKey = harness(std::nullopt);
        QCOMPARE(awaitTask(noKey->agent.ask(QStringLiteral("hi"), QString())).error(), ClientError::missingKey());
        QVERIFY(m_server.requests().isEmpty());

        m_server.enqueue({ replyAnswer(QStringLiteral(" \n\t ")),
            Response::fixture(401, QStringLiteral("error-401-invalid-api-key.json")) });
        auto h = harness();
        h->settings.setValue(SettingsKeys::groqModel, QString()); // an empty stored model is sent as it is
        QCOMPARE(awaitTask(h->agent.ask(QStringLiteral("hi"), QString())).error(), ClientError::empty());
        QCOMPARE(QJsonDocument::fromJson(m_server.requests().at(0).body)[QLatin1String("model")].toString(), QString());
        QCOMPARE(awaitTask(h->agent.ask(QStringLiteral("hi"), QString())).error().status(), 401);
    }

    void deletingTheAgentMidQuestionIsSafe()
    {
        m_server.enqueue(replyAnswer(QStringLiteral("late")).delayed(300));
        auto h = harness();
        auto *agent = new AskAgent(h->client, h->tools, h->settings, h->clock);
        auto task = agent->ask(QStringLiteral("hi"), QString());
        QTimer::singleShot(50, agent, [agent] { delete agent; });
        QCOMPARE(awaitTask(std::move(task)).error(), ClientError::cancelled());

        // The tools may go away too (the composition root tears them down first).
        m_server.enqueue(toolCallsAnswer({ QStringLiteral("get_clipboard") }).delayed(300));
        auto *tools = new ScriptedTools;
        AskAgent withTools(h->client, *tools, h->settings, h->clock);
        connect(&m_server, &MockGroqServer::requestReceived, tools, &QObject::deleteLater);
        QCOMPARE(awaitTask(withTools.ask(QStringLiteral("hi"), QString())).error(), ClientError::cancelled());
    }

    void resultsAreTaggedOnce_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("tagged");
        const auto row = [](const char *name, const QString &result, const QString &tagged) {
            QTest::newRow(name) << result << tagged;
        };
        row("success", QStringLiteral("Saved to clipboard."), QStringLiteral("[OK] Saved to clipboard."));
        row("couldn't, indented", QStringLiteral(" \tCouldn't open x."), QStringLiteral("[ERROR]  \tCouldn't open x."));
        row("unknown tool", QStringLiteral("Unknown tool: dance"), QStringLiteral("[ERROR] Unknown tool: dance"));
        row("permission", QStringLiteral("PERMISSION_REQUIRED: grant it"),
            QStringLiteral("[ERROR] PERMISSION_REQUIRED: grant it"));
        row("permission lower case", QStringLiteral("permission_required: x"),
            QStringLiteral("[OK] permission_required: x"));
        row("line break first", QStringLiteral("\nCouldn't"), QStringLiteral("[OK] \nCouldn't"));
        row("typographic apostrophe", QStringLiteral("Couldn\u2019t"), QStringLiteral("[OK] Couldn\u2019t"));
        row("already an error", QStringLiteral("[ERROR] Refused to open a ftp: link."),
            QStringLiteral("[ERROR] Refused to open a ftp: link."));
        row("already ok", QStringLiteral(" [OK] fine"), QStringLiteral(" [OK] fine"));
        row("empty", QString(), QStringLiteral("[OK] "));
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
