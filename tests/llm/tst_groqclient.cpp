#include "llm/GroqClient.h"

#include "services/KeyStore.h"
#include "settings/SettingsStore.h"

#include "support/AwaitTask.h"
#include "support/FakeRandom.h"
#include "support/FakeSecretStore.h"
#include "support/LogCapture.h"
#include "support/MockGroqServer.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTimer>

using Response = MockGroqServer::Response;

namespace {
const QString testKey = "gsk_SECRET_0123456789abcdef";

// A client on its own network manager, talking to the mock, whose back-off sleeps only record.
struct Harness {
    explicit Harness(MockGroqServer &server, std::optional<QString> key = testKey)
        : client(network, [key] { return key; })
    {
        client.setBaseURL(server.baseURL());
        client.setRandomSource(random);
        client.setSleeper([this](std::chrono::milliseconds wait) -> QCoro::Task<> {
            waits.append(int(wait.count()));
            co_return;
        });
    }

    QNetworkAccessManager network;
    FakeRandom random { { 0.2 } }; // jitter 0.1 s
    QList<int> waits;
    GroqClient client;
};

QJsonObject userHi()
{
    return GroqMessage { "user", "hi" }.toJson();
}

QString outcome(const Result<QString, ClientError> &result)
{
    if (result.ok())
        return "ok:" + result.value();
    return result.error().kind() == ClientError::Kind::Http ? QStringLiteral("HTTP %1").arg(result.error().status())
                                                            : result.error().description();
}
}

class TestGroqClient : public QObject {
    Q_OBJECT

public:
    explicit TestGroqClient(TestEnvironment *env)
        : m_env(env)
    {
    }

private slots:
    void initTestCase() { QVERIFY(m_server.listen()); }
    void init() { m_server.reset(); }

    void busyAnswersAreRetriedWithBoundedWaits_data()
    {
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QByteArray>("retryAfter"); // empty: no header
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<double>>("jitter");
        QTest::addColumn<QList<int>>("waits");
        QTest::addColumn<QString>("outcome");
        const QByteArray tpm = MockGroqServer::fixtureBytes("error-429-tpm.json");
        const QByteArray noHint = R"({"error":{"message":"Slow down","type":"tokens"}})";
        const QString ok = "ok:Olá!";
        const auto row
            = [](const char *tag, const QList<int> &statuses, const QByteArray &retryAfter, const QByteArray &body,
                  const QList<double> &jitter, const QList<int> &waits, const QString &outcome) {
                  QTest::newRow(tag) << statuses << retryAfter << body << jitter << waits << outcome;
              };
        row("Retry-After 2.3", { 429, 429, 200 }, "2.3", tpm, { 0.1, 0.9 }, { 2300, 2450 }, ok);
        row("Retry-After 30 capped", { 429, 429, 200 }, "30", tpm, { 0.2 }, { 8000, 8000 }, ok);
        row("hint in body", { 429, 429, 200 }, {}, "Please try again in 1.5s.", { 0.0, 0.5 }, { 1500, 2250 }, ok);
        row("inf falls back to body", { 429, 200 }, "inf", tpm, { 0.2 }, { 5289 }, ok);
        row("unusable Retry-After, no body hint", { 429, 429, 200 }, "garbage", noHint, { 0.2 }, { 1100, 2100 }, ok);
        row("third 429 gives up", { 429, 429, 429 }, "1.2", noHint, { 0.2 }, { 1200, 2100 },
            "Rate limit \u2014 try again in 2s.");
        row("503 thrice", { 503, 503, 503 }, {}, MockGroqServer::fixtureBytes("error-503-over-capacity.json"), { 0.2 },
            { 1100, 2100 }, "HTTP 503");
        row("500 not retried", { 500 }, {}, {}, {}, {}, "HTTP 500");
    }
    void busyAnswersAreRetriedWithBoundedWaits()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(QByteArray, retryAfter);
        QFETCH(QByteArray, body);
        QFETCH(QList<double>, jitter);
        QFETCH(QList<int>, waits);
        QFETCH(QString, outcome);
        for (int status : statuses) {
            Response response
                = status == 200 ? Response::fixture(200, "chat-plain.kimi-k2.json") : Response::json(status, body);
            if (status != 200 && !retryAfter.isEmpty())
                response = response.withHeader("retry-after", retryAfter);
            m_server.enqueue(response);
        }
        Harness h(m_server);
        h.random.setScript(jitter);
        const auto result = awaitTask(h.client.chatOnce("m", { { "user", "hi" } }, 0.7, 64, false, std::nullopt));
        QCOMPARE(::outcome(result), outcome);
        QCOMPARE(h.waits, waits);
        QCOMPARE(m_server.requests().size(), statuses.size());
        for (const MockGroqServer::Request &request : m_server.requests())
            QCOMPARE(request.body, m_server.requests().first().body); // the same request each time
    }

    void requestsCarryTheDocumentedShape()
    {
        m_server.enqueue({ Response::fixture(200, "chat-tool-calls.kimi-k2.json"),
            Response::fixture(429, "error-429-tpm.json"), Response::fixture(200, "models-list.observed-2026.json") });
        Harness h(m_server);
        const auto step = awaitTask(
            h.client.chatStep("openai/gpt-oss-120b", { userHi() }, { { "get_clipboard", "d", {} } }, 0.7, 1024));
        QCOMPARE(step.value().calls.size(), 1);
        const MockGroqServer::Request chat = m_server.requests().at(0);
        QCOMPARE(chat.path, QByteArray("/openai/v1/chat/completions"));
        QCOMPARE(chat.header("content-type"), QByteArray("application/json"));
        QCOMPARE(chat.header("authorization"), "Bearer " + testKey.toUtf8());

        // The model list is sent once, without a body type, and a 429 is a plain HTTP failure there.
        const auto limited = awaitTask(h.client.listChatModels());
        QCOMPARE(limited.error().kind(), ClientError::Kind::Http);
        QCOMPARE(limited.error().status(), 429);
        QVERIFY(h.waits.isEmpty());
        const auto models = awaitTask(h.client.listChatModels());
        QCOMPARE(models.value().size(), 4);
        const MockGroqServer::Request list = m_server.requests().at(1);
        QCOMPARE(list.path, QByteArray("/openai/v1/models"));
        QVERIFY(!list.hasHeader("content-type"));
    }

    void transcriptionSendsTheRecordingAsMultipart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("tamsel-ask-1.wav");
        const QByteArray audio = QByteArray("RIFF") + QByteArray(4000, '\x7f') + QByteArray("\r\n--not-a-boundary");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(audio) == audio.size());
        file.close();
        m_server.enqueue(
            { Response::fixture(200, "transcription.observed.json"), Response::json(200, R"({"text":" \n "})") });
        Harness h(m_server);

        QCOMPARE(awaitTask(h.client.transcribe(path, "whisper-large-v3")).value(), "Dziękuję.");
        const MockGroqServer::Request request = m_server.requests().at(0);
        QCOMPARE(request.path, QByteArray("/openai/v1/audio/transcriptions"));
        const QByteArray contentType = request.header("content-type");
        QVERIFY(contentType.startsWith("multipart/form-data; boundary=Boundary-"));
        const QByteArray boundary = contentType.mid(contentType.indexOf('=') + 1);
        QVERIFY(request.body.startsWith(QByteArray("--" + boundary + "\r\n")));
        QVERIFY(request.body.contains("filename=\"tamsel-ask-1.wav\""));
        QVERIFY(request.body.endsWith(QByteArray(audio + "\r\n--" + boundary + "--\r\n")));

        QCOMPARE(awaitTask(h.client.transcribe(path, "w")).error(), ClientError::empty());
        QCOMPARE(
            awaitTask(h.client.transcribe(dir.filePath("gone.wav"), "w")).error().kind(), ClientError::Kind::FileRead);
        QCOMPARE(m_server.requests().size(), 2);
    }

    void noKeyMeansNoRequest()
    {
        Harness h(m_server, QString());
        QCOMPARE(awaitTask(h.client.chatStep("m", {}, {}, 0, 1)).error(), ClientError::missingKey());
        QVERIFY(m_server.requests().isEmpty());

        // With the key store: each call reads the key afresh.
        FakeSecretStore secrets;
        SettingsStore settings(m_env->settingsFilePath());
        KeyStore keys(secrets, settings);
        awaitTask(keys.load());
        QNetworkAccessManager network;
        GroqClient client(network, keys.keyProvider());
        client.setBaseURL(m_server.baseURL());
        QCOMPARE(awaitTask(client.listChatModels()).error(), ClientError::missingKey());
        QVERIFY(awaitTask(keys.setGroqAPIKey(" gsk_fresh \n")));
        m_server.enqueue(Response::fixture(200, "models-list.observed-2026.json"));
        QVERIFY(awaitTask(client.listChatModels()).ok());
        QCOMPARE(m_server.requests().at(0).header("authorization"), QByteArray("Bearer gsk_fresh"));
    }

    void theKeyTravelsOnlyInTheAuthorizationHeader()
    {
        LogCapture log;
        const QByteArray echo = "{\"error\":{\"message\":\"Invalid API Key " + testKey.toUtf8()
            + "\",\"type\":\"invalid_request_error\",\"code\":\"invalid_api_key\"}}\n";
        m_server.enqueue({ Response::json(429, echo), Response::json(401, echo), Response::json(404, echo),
            Response::json(400, echo), Response::fixture(200, "transcription.observed.json") });
        Harness h(m_server);
        QList<ClientError> errors;
        errors.append(awaitTask(h.client.chatStep("m", { userHi() }, {}, 0.7, 1)).error());
        errors.append(awaitTask(h.client.listChatModels()).error());
        errors.append(awaitTask(h.client.chatOnce("m", { { "user", "hi" } }, 0, 1, true, std::nullopt)).error());
        QTemporaryDir dir;
        QFile audio(dir.filePath("a.wav"));
        QVERIFY(audio.open(QIODevice::WriteOnly));
        audio.close();
        QVERIFY(awaitTask(h.client.transcribe(audio.fileName(), "w")).ok());

        QCOMPARE(m_server.requests().size(), 5);
        for (const MockGroqServer::Request &request : m_server.requests()) {
            QVERIFY(!request.path.contains(testKey.toUtf8()) && !request.body.contains(testKey.toUtf8()));
            for (const auto &[name, value] : request.headers)
                QCOMPARE(value.contains(testKey.toUtf8()), name == "authorization");
        }
        for (const ClientError &error : errors) {
            QVERIFY2(!error.body().contains(testKey) && !error.description().contains(testKey),
                qPrintable(error.description()));
            QVERIFY2(error.body().contains("[redacted]"), qPrintable(error.body()));
        }
        QVERIFY(!log.anyContains(testKey));
    }

    void transportFailuresAreNotRetried()
    {
        Harness h(m_server);
        // Dropped before any answer (the network stack may resend once on a fresh connection).
        m_server.enqueue({ Response::dropped(), Response::dropped(), Response::dropped() });
        auto dropped = awaitTask(h.client.chatStep("m", { userHi() }, {}, 0.7, 1));
        QCOMPARE(dropped.error().kind(), ClientError::Kind::Network);
        QVERIFY(h.waits.isEmpty());

        m_server.reset();
        h.client.setTransferTimeout(200);
        m_server.enqueue(Response::fixture(200, "chat-plain.kimi-k2.json").delayed(5000));
        const auto late = awaitTask(h.client.chatStep("m", { userHi() }, {}, 0.7, 1));
        QCOMPARE(late.error().kind(), ClientError::Kind::Network);
        QCOMPARE(late.error().networkFailure(), ClientError::NetworkFailure::TimedOut);
        QCOMPARE(m_server.requests().size(), 1);

        QVERIFY(h.waits.isEmpty());
    }

    void oversizedAnswersAreCutOff()
    {
        m_server.enqueue(Response::json(200, QByteArray(GroqClient::maxResponseBytes + 1024, ' ')));
        Harness h(m_server);
        const auto result = awaitTask(h.client.chatStep("m", { userHi() }, {}, 0.7, 1));
        QCOMPARE(result.error(), ClientError::decoding("The answer was larger than 8 MiB."));
    }

    void deletingTheClientMidRequestIsSafe()
    {
        m_server.enqueue(Response::fixture(200, "chat-plain.kimi-k2.json").delayed(300));
        QNetworkAccessManager network; // outlives the client, as the application's does
        auto client = std::make_unique<GroqClient>(network, [] { return std::optional<QString>(testKey); });
        client->setBaseURL(m_server.baseURL());
        auto task = client->chatOnce("m", { { "user", "hi" } }, 0, 1, false, std::nullopt);
        QObject context;
        QTimer::singleShot(50, &context, [&client] { client.reset(); });
        QCOMPARE(awaitTask(std::move(task)).error(), ClientError::cancelled());
    }

    void baseURLAcceptsOnlySafeAddresses()
    {
        Harness h(m_server);
        QVERIFY(!h.client.setBaseURL(QUrl("http://example.com/openai/v1")));
        QVERIFY(h.client.setBaseURL(QUrl("http://localhost:8080/v1")));
        QVERIFY(h.client.setBaseURL(QUrl("https://example.com/openai/v1/")));
        QCOMPARE(h.client.baseURL(), QUrl("https://example.com/openai/v1"));
    }

private:
    TestEnvironment *m_env;
    MockGroqServer m_server;
};

TAMSEL_TEST_MAIN(TestGroqClient)
#include "tst_groqclient.moc"
