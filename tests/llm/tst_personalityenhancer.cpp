#include "llm/PersonalityEnhancer.h"

#include "settings/SettingsStore.h"
#include "llm/GroqClient.h"

#include "support/AwaitTask.h"
#include "support/MockGroqServer.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>

using Response = MockGroqServer::Response;
using EnhanceError = PersonalityEnhancer::EnhanceError;

namespace {
Response reply(const QString &content)
{
    return Response::completion(QJsonObject { { "role", "assistant" }, { "content", content } });
}

QJsonObject bodyOf(const MockGroqServer::Request &request)
{
    return QJsonDocument::fromJson(request.body).object();
}

QString messageText(const MockGroqServer::Request &request, int index)
{
    return bodyOf(request).value("messages").toArray().at(index).toObject().value("content").toString();
}
}

class TestPersonalityEnhancer : public QObject {
    Q_OBJECT

public:
    explicit TestPersonalityEnhancer(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    struct Harness {
        Harness(MockGroqServer &server, const QString &settingsPath, std::optional<QString> key)
            : settings(settingsPath)
            , client(network, [key] { return key; })
            , enhancer(new PersonalityEnhancer(client, settings))
        {
            client.setBaseURL(server.baseURL());
        }
        ~Harness() { delete enhancer; }

        Result<QString, EnhanceError> enhance(const QString &seed, const QString &name)
        {
            return awaitTask(enhancer->enhance(seed, name));
        }

        SettingsStore settings;
        QNetworkAccessManager network;
        GroqClient client;
        PersonalityEnhancer *enhancer;
    };

    std::unique_ptr<Harness> harness(std::optional<QString> key = QStringLiteral("gsk_enhance_key_0123456789"))
    {
        return std::make_unique<Harness>(m_server, m_env->settingsFilePath(), std::move(key));
    }

private slots:
    void initTestCase() { QVERIFY(m_server.listen()); }
    void init()
    {
        m_env->reset();
        m_server.reset();
    }

    void withoutASketchAsksForANewDescription()
    {
        auto h = harness();
        m_server.enqueue(reply("  \"a grumpy cat who hoards socks.\"\n"));
        const auto result = h->enhance(" \n", "\t");
        QVERIFY(result.ok());
        QCOMPARE(result.value(), "A grumpy cat who hoards socks.");

        QCOMPARE(m_server.requests().size(), 1);
        const QJsonObject body = bodyOf(m_server.requests().at(0));
        QCOMPARE(body.value("model").toString(), "openai/gpt-oss-120b");
        QCOMPARE(body.value("temperature").toDouble(), 0.8);
        QCOMPARE(body.value("max_tokens").toInt(), 1200);
        QCOMPARE(body.value("reasoning_effort").toString(), "low");
        QVERIFY(!body.contains("response_format"));
        QCOMPARE(messageText(m_server.requests().at(0), 0),
            "You help a user write vivid character descriptions for small desktop pets. You write in plain prose. You "
            "use proper sentence casing. You do not add quotes, prefaces, markdown, or commentary. You return only the "
            "description.");
        QCOMPARE(messageText(m_server.requests().at(0), 1),
            "Write a personality description (2\u20134 sentences, ~80\u2013220 characters total) for a small desktop "
            "pet. Give it a distinct, specific personality \u2014 their attitude, what they care about, how they "
            "speak, one or two quirks. Avoid generic descriptions. Use proper sentence casing.");
    }

    void aSketchIsRewrittenUnderThePetsName()
    {
        auto h = harness();
        m_server.enqueue(reply("Bo naps hard and judges harder."));
        QCOMPARE(h->enhance("\n  sleepy, judgy otter \n", " Bo ").value(), "Bo naps hard and judges harder.");
        const QString prompt = messageText(m_server.requests().at(0), 1);
        QVERIFY(prompt.startsWith("A user wrote this short personality sketch for a small desktop pet named Bo:\n\n"
                                  "sleepy, judgy otter\n\nRewrite it as a vivid 2\u20134 sentence personality "
                                  "description that:\n- Preserves the original intent and every detail.\n"));
        QVERIFY(prompt.endsWith("- Stays between ~80 and ~220 characters total.\n\nReturn only the rewritten "
                                "description. No quotes, no preface, no markdown."));

        m_server.enqueue(reply("Calm."));
        QVERIFY(h->enhance("calm", "").ok());
        QVERIFY(messageText(m_server.requests().at(1), 1)
                    .startsWith("A user wrote this short personality sketch for "
                                "a small desktop pet:\n\ncalm\n\nRewrite"));
    }

    void repliesLoseOnePairOfQuotes()
    {
        QCOMPARE(PersonalityEnhancer::cleaned("\"\""), "\"\"");
        QCOMPARE(PersonalityEnhancer::cleaned(" \"x\" "), "X");
        QCOMPARE(PersonalityEnhancer::cleaned("\"\"quoted\"\""), "\"quoted\"");
        QCOMPARE(PersonalityEnhancer::cleaned("\" padded \""), " padded ");
        QCOMPARE(PersonalityEnhancer::cleaned("\"unbalanced"), "\"unbalanced");
        QCOMPARE(PersonalityEnhancer::cleaned(QString::fromUtf8("\xC3\xA9lan.")), QString::fromUtf8("\xC3\x89lan."));
        QCOMPARE(PersonalityEnhancer::cleaned(" \n\t"), "");
        QCOMPARE(PersonalityEnhancer::cleaned(QString(5000, 'x')), "X" + QString(1999, 'x'));
    }

    void failuresComeBackAsErrors()
    {
        auto noKey = harness(std::nullopt);
        const auto missing = noKey->enhance("calm", "Bo");
        QCOMPARE(missing.error(), EnhanceError::noKey());
        QCOMPARE(missing.error().description(),
            QString::fromUtf8("Add a Groq API key in Preferences \xE2\x86\x92 Advanced first."));
        QCOMPARE(m_server.requests().size(), 0);

        auto h = harness();
        m_server.enqueue(Response::fixture(401, "error-401-invalid-api-key.json"));
        const auto refused = h->enhance("calm", "Bo");
        QCOMPARE(refused.error().kind(), EnhanceError::Kind::Client);
        QCOMPARE(refused.error().clientError()->status(), 401);
        QCOMPARE(refused.error().description(), refused.error().clientError()->description());

        m_server.enqueue(reply("\n  \n"));
        QCOMPARE(h->enhance("calm", "Bo").value(), QString());
    }

    void deletingTheEnhancerCancels()
    {
        auto h = harness();
        m_server.enqueue(reply("Too late.").delayed(300));
        auto task = h->enhancer->enhance("calm", "Bo");
        QTimer::singleShot(50, [&h] {
            delete h->enhancer;
            h->enhancer = nullptr;
        });
        QCOMPARE(awaitTask(std::move(task)).error(), EnhanceError::client(ClientError::cancelled()));
    }

private:
    TestEnvironment *m_env;
    MockGroqServer m_server;
};

TAMSEL_TEST_MAIN(TestPersonalityEnhancer)
#include "tst_personalityenhancer.moc"
