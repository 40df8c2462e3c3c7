#pragma once

#include <QString>

// Why a Groq request failed. description() is a finished, user-facing sentence.
//
// Http, RateLimited, Decoding, MissingKey and Empty are the service-level failures. Network covers
// every failure without an HTTP answer (offline, refused, timed out, cancelled) and is never
// retried. InvalidJSON is a success body that is not JSON at all where the caller reads it
// loosely; FileRead is an audio file that could not be read.
class ClientError {
public:
    enum class Kind { Http, RateLimited, Decoding, MissingKey, Empty, Network, InvalidJSON, FileRead };
    // Network detail codes, independent of the HTTP library.
    enum class NetworkFailure { Other, TimedOut, Cancelled };

    static ClientError http(int status, QString body) { return ClientError(Kind::Http, status, std::move(body)); }
    // retryAfter: seconds the service asked for, 0 when it gave no hint.
    static ClientError rateLimited(double retryAfter, QString body);
    static ClientError decoding(QString detail) { return ClientError(Kind::Decoding, 0, std::move(detail)); }
    static ClientError missingKey() { return ClientError(Kind::MissingKey, 0, {}); }
    static ClientError empty() { return ClientError(Kind::Empty, 0, {}); }
    static ClientError network(NetworkFailure failure, QString message);
    static ClientError cancelled() { return network(NetworkFailure::Cancelled, QStringLiteral("Operation canceled")); }
    static ClientError invalidJSON(QString detail) { return ClientError(Kind::InvalidJSON, 0, std::move(detail)); }
    static ClientError fileRead(QString detail) { return ClientError(Kind::FileRead, 0, std::move(detail)); }

    Kind kind() const { return m_kind; }
    // HTTP status for Http (0 when the answer was not HTTP at all), 429 for RateLimited.
    int status() const { return m_status; }
    // The response body for Http and RateLimited; the detail text for the other kinds.
    QString body() const { return m_text; }
    QString detail() const { return m_text; }
    double retryAfter() const { return m_retryAfter; }
    NetworkFailure networkFailure() const { return m_networkFailure; }

    QString description() const;
    // True when the service refused an answer it was asked to give as JSON.
    bool isJSONValidationFailure() const;

    friend bool operator==(const ClientError &, const ClientError &) = default;

private:
    ClientError(Kind kind, int status, QString text)
        : m_kind(kind)
        , m_status(status)
        , m_text(std::move(text))
    {
    }

    Kind m_kind;
    int m_status = 0;
    QString m_text;
    double m_retryAfter = 0.0;
    NetworkFailure m_networkFailure = NetworkFailure::Other;
};
