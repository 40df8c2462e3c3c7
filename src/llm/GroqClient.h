#pragma once

#include "foundation/Result.h"
#include "llm/ClientError.h"
#include "llm/GroqMessage.h"
#include "llm/ToolSpec.h"
#include "llm/ToolStep.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class RandomSource;

// The program's only door to Groq's OpenAI-compatible API. Each operation reads the API key
// afresh, builds one request, sends it on the application's network manager, retries briefly
// while the service is busy (429, 503) and decodes the answer. Failures come back as a
// ClientError; nothing here logs, shows anything or blocks the event loop.
//
// The key goes into the Authorization header and nowhere else: error bodies that echo it are
// redacted before they reach a ClientError.
class GroqClient : public QObject {
    Q_OBJECT

public:
    using KeyProvider = std::function<std::optional<QString>()>;
    // Resolves once the key provider can answer (the keyring is read after launch, not before).
    using KeyLoader = std::function<QCoro::Task<>()>;
    // Suspends the calling coroutine for the back-off between attempts.
    using Sleeper = std::function<QCoro::Task<>(std::chrono::milliseconds)>;

    struct HttpReply {
        int status = 0;
        QByteArray body;
    };

    static constexpr qint64 maxResponseBytes = 8 * 1024 * 1024;
    // The service's own limit for an uploaded recording.
    static constexpr qint64 maxAudioBytes = 25 * 1024 * 1024;
    static constexpr int maxAttempts = 3;
    static constexpr int defaultTransferTimeoutMs = 60000;

    GroqClient(QNetworkAccessManager &network, KeyProvider keyProvider, QObject *parent = nullptr);

    // https://api.groq.com/openai/v1, or TAMSEL_GROQ_BASE_URL when it is an https address or an
    // http address on this computer (the key is never sent in clear text over a network).
    // Read once per process.
    static QUrl defaultBaseURL();
    QUrl baseURL() const { return m_baseURL; }
    // Refuses (and returns false for) the addresses defaultBaseURL() would ignore.
    bool setBaseURL(const QUrl &url);

    void setSleeper(Sleeper sleeper) { m_sleeper = std::move(sleeper); }
    void setRandomSource(RandomSource &random) { m_random = &random; }
    void setTransferTimeout(int ms) { m_transferTimeoutMs = ms; }

    // Every operation waits for the loader before it reads the key.
    void setKeyLoader(KeyLoader loader) { m_keyLoader = std::move(loader); }

    // Whether a key is known now; awaitKey() first waits until the key has been read.
    bool hasKey() const;
    QCoro::Task<std::optional<QString>> awaitKey();

    // A plain chat completion: the first choice's content, untrimmed.
    QCoro::Task<Result<QString, ClientError>> chatOnce(QString model, QList<GroqMessage> messages, double temperature,
        int maxTokens, bool jsonOnly, std::optional<QString> reasoningEffort);
    // One step of a tool-calling conversation; the messages are chat-completion message objects.
    QCoro::Task<Result<ToolStep, ClientError>> chatStep(
        QString model, QList<QJsonObject> messages, QList<ToolSpec> tools, double temperature, int maxTokens);
    // Speech to text of a recorded file; the recognised text, trimmed.
    QCoro::Task<Result<QString, ClientError>> transcribe(
        QString audioFilePath, QString model, std::optional<QString> language = std::nullopt);
    // The chat models the key can reach, without speech, embedding, safety and compound models,
    // sorted. Sent once, never retried.
    QCoro::Task<Result<QStringList, ClientError>> listChatModels();
    // A tiny completion that tests a key and a model; the reply text unchanged.
    QCoro::Task<Result<QString, ClientError>> ping(QString model);

    // POSTs the body, retrying a 429 or 503 at most twice after a back-off of
    // min(max(hint, 2^attempt + jitter), 8) seconds. A 2xx answer is returned; anything else is
    // an error (RateLimited for a final 429).
    QCoro::Task<Result<HttpReply, ClientError>> performWithRetry(QNetworkRequest request, QByteArray body);

    static std::optional<double> parseRetryAfter(const std::optional<QString> &retryAfterHeader, const QString &body);
    static QString humanReadable(const QString &errorBody);
    static bool isJSONValidationFailure(const ClientError &error) { return error.isJSONValidationFailure(); }
    static bool supportsReasoningEffort(const QString &model);

private:
    // One request and what came back, before any interpretation of the status.
    struct Exchange {
        bool isHttp = false;
        int status = 0;
        QByteArray body;
        std::optional<QString> retryAfter;
    };

    QNetworkRequest makeRequest(const QString &path, const QString &key, const QByteArray &contentType) const;
    QCoro::Task<Result<Exchange, ClientError>> sendOnce(QNetworkRequest request, QByteArray verb, QByteArray body);
    std::optional<QString> currentKey() const;
    // The body as text with every copy of the key replaced.
    QString errorText(const QByteArray &body, const QString &key, const QString &whenNotUtf8) const;

    QPointer<QNetworkAccessManager> m_network;
    KeyProvider m_keyProvider;
    KeyLoader m_keyLoader;
    QUrl m_baseURL;
    Sleeper m_sleeper;
    RandomSource *m_random;
    int m_transferTimeoutMs = defaultTransferTimeoutMs;
};
