#include "llm/PersonalityEnhancer.h"

#include "llm/GroqClient.h"
#include "settings/SettingsStore.h"

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
        QVERIFY(!body.contains("response_format")); // prose, not JSON
        QVERIFY(messageText(m_server.requests().at(0), 1).startsWith("Write a personality description"));
    }

    void aSketchIsRewrittenUnderThePetsName()
    {
        auto h = harness();
        m_server.enqueue(reply("Bo naps hard and judges harder."));
        QCOMPARE(h->enhance("\n  sleepy, judgy otter \n", " Bo ").value(), "Bo naps hard and judges harder.");
        const QString prompt = messageText(m_server.requests().at(0), 1);
        QVERIFY(prompt.contains("pet named Bo:\n\nsleepy, judgy otter\n\nRewrite"));

        m_server.enqueue(reply("Calm."));
        QVERIFY(h->enhance("calm", "").ok());
        QVERIFY(messageText(m_server.requests().at(1), 1).contains("pet:\n\ncalm\n\nRewrite"));
    }

    void repliesLoseOnePairOfQuotes()
    {
        QCOMPARE(PersonalityEnhancer::cleaned("\"\""), "\"\"");
        QCOMPARE(PersonalityEnhancer::cleaned(" \"x\" "), "X");
        QCOMPARE(PersonalityEnhancer::cleaned("\" padded \""), " padded ");
        QCOMPARE(PersonalityEnhancer::cleaned(QString::fromUtf8("\xC3\xA9lan.")), QString::fromUtf8("\xC3\x89lan."));
        QCOMPARE(PersonalityEnhancer::cleaned(" \n\t"), "");
        QCOMPARE(PersonalityEnhancer::cleaned(QString(5000, 'x')), "X" + QString(1999, 'x'));
    }

    void failuresComeBackAsErrors()
    {
        auto noKey = harness(std::nullopt);
        QCOMPARE(noKey->enhance("calm", "Bo").error(), EnhanceError::noKey());
        QCOMPARE(m_server.requests().size(), 0);

        auto h = harness();
        m_server.enqueue(Response::fixture(401, "error-401-invalid-api-key.json"));
        const auto refused = h->enhance("calm", "Bo");
        QCOMPARE(refused.error().clientError()->status(), 401);

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
