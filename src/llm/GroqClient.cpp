#include "llm/GroqClient.h"

#include "foundation/Log.h"
#include "llm/GroqRequests.h"
#include "llm/GroqResponses.h"
#include "platform/RandomSource.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QUuid>

#include <qcoro/qcoronetworkreply.h>
#include <qcoro/qcorotimer.h>

#include <cmath>
#include <memory>

namespace {
const QString groqBaseURL = QStringLiteral("https://api.groq.com/openai/v1");
const QString noHttpResponse = QStringLiteral("no HTTP response");
const QString answerTooLarge = QStringLiteral("The answer was larger than 8 MiB.");
// Keys shorter than this are not real keys; replacing them in bodies would only garble text.
constexpr qsizetype minRedactedKeyLength = 8;

QCoro::Task<> timerSleep(std::chrono::milliseconds duration)
{
    co_await QCoro::sleepFor(duration);
}

// An https address, or an http address on this computer; without a trailing slash, query or fragment.
std::optional<QUrl> acceptedBaseURL(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    const bool loopback = url.host() == QLatin1String("localhost") || QHostAddress(url.host()).isLoopback();
    if (scheme != QLatin1String("https") && !(scheme == QLatin1String("http") && loopback))
        return std::nullopt;
    QUrl accepted = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::StripTrailingSlash);
    return accepted;
}

bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

std::optional<QString> utf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// True for the QNetworkReply errors that still come with a complete HTTP answer: the content and
// server error ranges, and 400 (which Qt reports as an invalid protocol operation).
bool isHttpLevel(QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    return error == QNetworkReply::NoError || error == QNetworkReply::ProtocolInvalidOperationError
        || (code >= 201 && code <= 299) || (code >= 401 && code <= 499);
}
}

GroqClient::GroqClient(QNetworkAccessManager &network, KeyProvider keyProvider, QObject *parent)
    : QObject(parent)
    , m_network(&network)
    , m_keyProvider(std::move(keyProvider))
    , m_baseURL(defaultBaseURL())
    , m_sleeper(timerSleep)
    , m_random(&RandomSource::system())
{
}

QUrl GroqClient::defaultBaseURL()
{
    static const QUrl url = [] {
        const QString override = qEnvironmentVariable("TAMSEL_GROQ_BASE_URL").trimmed();
        if (!override.isEmpty()) {
            if (const std::optional<QUrl> accepted = acceptedBaseURL(QUrl(override, QUrl::StrictMode)))
                return *accepted;
            Log::line(QStringLiteral("GroqClient base URL failed: TAMSEL_GROQ_BASE_URL must be an https address or "
                                     "an http address on this computer; using Groq"));
        }
        return QUrl(groqBaseURL);
    }();
    return url;
}

bool GroqClient::setBaseURL(const QUrl &url)
{
    const std::optional<QUrl> accepted = acceptedBaseURL(url);
    if (!accepted)
        return false;
    m_baseURL = *accepted;
    return true;
}

bool GroqClient::hasKey() const
{
    return currentKey().has_value();
}

QCoro::Task<std::optional<QString>> GroqClient::awaitKey()
{
    const QPointer<GroqClient> self(this);
    if (m_keyLoader)
        co_await m_keyLoader();
    if (!self)
        co_return std::nullopt;
    co_return currentKey();
}

std::optional<QString> GroqClient::currentKey() const
{
    std::optional<QString> key = m_keyProvider ? m_keyProvider() : std::nullopt;
    if (!key || key->trimmed().isEmpty())
        return std::nullopt;
    return key->trimmed();
}

std::optional<double> GroqClient::parseRetryAfter(const std::optional<QString> &retryAfterHeader, const QString &body)
{
    return GroqResponses::parseRetryAfter(retryAfterHeader, body);
}

QString GroqClient::humanReadable(const QString &errorBody)
{
    return GroqResponses::humanReadable(errorBody);
}

bool GroqClient::supportsReasoningEffort(const QString &model)
{
    return GroqRequests::supportsReasoningEffort(model);
}

QNetworkRequest GroqClient::makeRequest(const QString &path, const QString &key, const QByteArray &contentType) const
{
    QUrl url = m_baseURL;
    url.setPath(url.path() + QLatin1Char('/') + path);
    QNetworkRequest request(url);
    request.setTransferTimeout(m_transferTimeoutMs);
    // A redirect would carry the Authorization header to wherever it points; treat it as an answer.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Tamsel/" TAMSEL_VERSION));
    request.setRawHeader("Authorization", "Bearer " + key.toUtf8());
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return request;
}

QString GroqClient::errorText(const QByteArray &body, const QString &key, const QString &whenNotUtf8) const
{
    QString text = utf8(body).value_or(whenNotUtf8);
    if (key.size() >= minRedactedKeyLength)
        text.replace(key, QStringLiteral("[redacted]"));
    return text;
}

QCoro::Task<Result<GroqClient::Exchange, ClientError>> GroqClient::sendOnce(
    QNetworkRequest request, QByteArray verb, QByteArray body)
{
    if (!m_network)
        co_return ClientError::cancelled();
    QNetworkReply *reply = verb == "GET" ? m_network->get(request) : m_network->post(request, body);
    // The manager owns the reply until it ends; we free it once read (the manager may go first).
    const QPointer<QNetworkReply> guard(reply);
    const auto release = qScopeGuard([guard] {
        if (guard)
            guard->deleteLater();
    });

    // Answers are bounded: stop reading as soon as one announces or delivers more than the limit.
    auto oversized = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, oversized] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxResponseBytes) {
            *oversized = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, oversized](qint64 received, qint64) {
        if (received > maxResponseBytes && !*oversized) {
            *oversized = true;
            reply->abort();
        }
    });

    QPointer<GroqClient> self(this);
    co_await reply;
    if (!self || !guard)
        co_return ClientError::cancelled();

    if (*oversized)
        co_return ClientError::decoding(answerTooLarge);
    const QNetworkReply::NetworkError error = reply->error();
    if (!isHttpLevel(error)) {
        // Our only own abort is for size, handled above: a cancelled transfer is the time-out.
        if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
            co_return ClientError::network(ClientError::NetworkFailure::TimedOut, reply->errorString());
        co_return ClientError::network(ClientError::NetworkFailure::Other, reply->errorString());
    }
    const QByteArray answer = reply->read(maxResponseBytes + 1);
    if (answer.size() > maxResponseBytes)
        co_return ClientError::decoding(answerTooLarge);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    Exchange exchange;
    exchange.isHttp = status.isValid();
    exchange.status = status.toInt();
    exchange.body = answer;
    if (reply->hasRawHeader("Retry-After"))
        exchange.retryAfter = QString::fromLatin1(reply->rawHeader("Retry-After"));
    co_return exchange;
}

QCoro::Task<Result<GroqClient::HttpReply, ClientError>> GroqClient::performWithRetry(
    QNetworkRequest request, QByteArray body)
{
    QPointer<GroqClient> self(this);
    const QString key = QString::fromUtf8(request.rawHeader("Authorization")).mid(7);
    for (int attempt = 0;; ++attempt) {
        Result<Exchange, ClientError> sent = co_await sendOnce(request, "POST", body);
        if (!self)
            co_return ClientError::cancelled();
        if (!sent.ok())
            co_return sent.error();
        const Exchange &exchange = sent.value();
        if (!exchange.isHttp)
            co_return ClientError::http(0, noHttpResponse);
        if (isSuccess(exchange.status))
            co_return HttpReply { exchange.status, exchange.body };

        const QString text = errorText(exchange.body, key, QStringLiteral("(no body)"));
        const std::optional<double> hint = GroqResponses::parseRetryAfter(exchange.retryAfter, text);
        const bool busy = exchange.status == 429 || exchange.status == 503;
        if (busy && attempt < maxAttempts - 1) {
            const double wait = GroqResponses::retryWaitSeconds(hint, attempt, m_random->boundedDouble(0.0, 0.5));
            // A copy: the sleep must not depend on this object staying alive.
            const Sleeper sleeper = m_sleeper;
            co_await sleeper(std::chrono::milliseconds(std::llround(wait * 1000.0)));
            if (!self)
                co_return ClientError::cancelled();
            continue;
        }
        if (exchange.status == 429)
            co_return ClientError::rateLimited(hint.value_or(0.0), text);
        co_return ClientError::http(exchange.status, text);
    }
}

QCoro::Task<Result<QString, ClientError>> GroqClient::chatOnce(QString model, QList<GroqMessage> messages,
    double temperature, int maxTokens, bool jsonOnly, std::optional<QString> reasoningEffort)
{
    QPointer<GroqClient> self(this);
    const std::optional<QString> key = co_await awaitKey();
    if (!self)
        co_return ClientError::cancelled();
    if (!key)
        co_return ClientError::missingKey();
    const QByteArray body
        = GroqRequests::chatCompletionBody(model, messages, temperature, maxTokens, jsonOnly, reasoningEffort);
    Result<HttpReply, ClientError> reply
        = co_await performWithRetry(makeRequest(QStringLiteral("chat/completions"), *key, "application/json"), body);
    if (!reply.ok())
        co_return reply.error();
    co_return GroqResponses::chatCompletionContent(reply.value().body);
}

QCoro::Task<Result<ToolStep, ClientError>> GroqClient::chatStep(
    QString model, QList<QJsonObject> messages, QList<ToolSpec> tools, double temperature, int maxTokens)
{
    QPointer<GroqClient> self(this);
    const std::optional<QString> key = co_await awaitKey();
    if (!self)
        co_return ClientError::cancelled();
    if (!key)
        co_return ClientError::missingKey();
    const QByteArray body = GroqRequests::toolStepBody(model, messages, tools, temperature, maxTokens);
    Result<HttpReply, ClientError> reply
        = co_await performWithRetry(makeRequest(QStringLiteral("chat/completions"), *key, "application/json"), body);
    if (!reply.ok())
        co_return reply.error();
    co_return GroqResponses::toolStep(reply.value().body);
}

QCoro::Task<Result<QString, ClientError>> GroqClient::transcribe(
    QString audioFilePath, QString model, std::optional<QString> language)
{
    QPointer<GroqClient> self(this);
    const std::optional<QString> key = co_await awaitKey();
    if (!self)
        co_return ClientError::cancelled();
    if (!key)
        co_return ClientError::missingKey();
    QFile file(audioFilePath);
    if (!file.open(QIODevice::ReadOnly))
        co_return ClientError::fileRead(file.errorString());
    const QByteArray audio = file.read(maxAudioBytes + 1);
    if (audio.size() > maxAudioBytes)
        co_return ClientError::fileRead(QStringLiteral("it is larger than 25 MiB"));
    if (file.error() != QFileDevice::NoError)
        co_return ClientError::fileRead(file.errorString());

    const QString fileName = QFileInfo(audioFilePath).fileName();
    const QString boundary = QStringLiteral("Boundary-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QByteArray body = GroqRequests::transcriptionBody(
        boundary, model, language, fileName, GroqRequests::audioContentType(fileName), audio);
    const QNetworkRequest request = makeRequest(
        QStringLiteral("audio/transcriptions"), *key, "multipart/form-data; boundary=" + boundary.toUtf8());
    Result<HttpReply, ClientError> reply = co_await performWithRetry(request, body);
    if (!reply.ok())
        co_return reply.error();
    co_return GroqResponses::transcriptionText(reply.value().body);
}

QCoro::Task<Result<QStringList, ClientError>> GroqClient::listChatModels()
{
    QPointer<GroqClient> self(this);
    const std::optional<QString> key = co_await awaitKey();
    if (!self)
        co_return ClientError::cancelled();
    if (!key)
        co_return ClientError::missingKey();
    Result<Exchange, ClientError> sent = co_await sendOnce(makeRequest(QStringLiteral("models"), *key, {}), "GET", {});
    if (!self)
        co_return ClientError::cancelled();
    if (!sent.ok())
        co_return sent.error();
    const Exchange &exchange = sent.value();
    if (!exchange.isHttp)
        co_return ClientError::http(0, noHttpResponse);
    if (!isSuccess(exchange.status))
        co_return ClientError::http(exchange.status, errorText(exchange.body, *key, QString()));
    co_return GroqResponses::chatModelIDs(exchange.body);
}

QCoro::Task<Result<QString, ClientError>> GroqClient::ping(QString model)
{
    const QList<GroqMessage> messages { { QStringLiteral("system"),
                                            QStringLiteral("Respond with exactly the word: ok") },
        { QStringLiteral("user"), QStringLiteral("ping") } };
    co_return co_await chatOnce(std::move(model), messages, 0.0, 256, false, QStringLiteral("low"));
}
