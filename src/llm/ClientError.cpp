#include "llm/ClientError.h"

#include "llm/GroqResponses.h"

#include <cmath>

namespace {
// Error bodies come from the network; a proxy's HTML page must not become a screenful of text.
constexpr qsizetype maxDescribedBodyLength = 1000;

QString clipped(const QString &text)
{
    if (text.size() <= maxDescribedBodyLength)
        return text;
    return text.left(maxDescribedBodyLength) + QChar(0x2026);
}

// The text without a final full stop, so that one can be added without doubling it.
QString sentenceBody(QString text)
{
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

const QString advancedPane = QStringLiteral("Preferences \u2192 Advanced");
}

ClientError ClientError::rateLimited(double retryAfter, QString body)
{
    ClientError error(Kind::RateLimited, 429, std::move(body));
    error.m_retryAfter = std::isfinite(retryAfter) ? retryAfter : 0.0;
    return error;
}

ClientError ClientError::network(NetworkFailure failure, QString message)
{
    ClientError error(Kind::Network, 0, std::move(message));
    error.m_networkFailure = failure;
    return error;
}

QString ClientError::description() const
{
    switch (m_kind) {
    case Kind::Http: {
        const QString lower = m_text.toLower();
        if (m_status == 400 && lower.contains(QLatin1String("tool calling")))
            return QStringLiteral("This model can't take actions \u2014 pick another in ") + advancedPane
                + QStringLiteral(".");
        if (m_status == 400 && lower.contains(QLatin1String("json")))
            return QStringLiteral("This model didn't return usable JSON. Try a different one in ") + advancedPane
                + QStringLiteral(".");
        if (m_status == 401 || m_status == 403)
            return QStringLiteral("Groq rejected the API key. Paste a fresh one from console.groq.com.");
        const QString readable = clipped(GroqResponses::humanReadable(m_text));
        if (m_status == 404)
            return readable + QStringLiteral(" Groq retires models regularly \u2014 pick another in ") + advancedPane
                + QStringLiteral(".");
        if (!readable.isEmpty())
            return readable;
        return QStringLiteral("Groq request failed (HTTP %1).").arg(m_status);
    }
    case Kind::RateLimited:
        if (m_retryAfter > 0) {
            // Hints are bounded where they are read; the cap only keeps the conversion defined.
            const auto seconds = static_cast<qint64>(std::min(std::ceil(m_retryAfter), 1e12));
            return QStringLiteral("Rate limit \u2014 try again in %1s.").arg(seconds);
        }
        return QStringLiteral("Rate limit hit. Try again in a moment.");
    case Kind::Decoding: return QStringLiteral("Groq returned a response we couldn't parse. ") + m_text;
    case Kind::MissingKey:
        return QStringLiteral("No Groq API key set. Add one in ") + advancedPane + QStringLiteral(".");
    case Kind::Empty: return QStringLiteral("Groq returned an empty completion.");
    case Kind::Network:
        switch (m_networkFailure) {
        case NetworkFailure::TimedOut: return QStringLiteral("Groq didn't answer in time. Try again in a moment.");
        case NetworkFailure::Cancelled: return QStringLiteral("The request to Groq was cancelled.");
        case NetworkFailure::Other: break;
        }
        return QStringLiteral("Couldn't reach Groq: ") + clipped(sentenceBody(m_text)) + QStringLiteral(".");
    case Kind::InvalidJSON:
        return QStringLiteral("Groq sent an answer that isn't JSON: ") + sentenceBody(m_text) + QStringLiteral(".");
    case Kind::FileRead:
        return QStringLiteral("Couldn't read the recording: ") + sentenceBody(m_text) + QStringLiteral(".");
    }
    return {};
}

bool ClientError::isJSONValidationFailure() const
{
    if (m_kind != Kind::Http || m_status != 400)
        return false;
    const QString lower = m_text.toLower();
    return lower.contains(QLatin1String("json_validate_failed"))
        || lower.contains(QLatin1String("failed to validate json"));
}
