#include "llm/GroqResponses.h"

#include "foundation/TextParsing.h"
#include "foundation/TextTrim.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {
std::optional<QJsonDocument> parseJSON(const QByteArray &body, QString *error)
{
    QJsonParseError parseError;
    QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString() + QStringLiteral(" at offset %1").arg(parseError.offset);
        return std::nullopt;
    }
    return document;
}

std::optional<double> usableHint(std::optional<double> seconds)
{
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0.0 || *seconds > GroqResponses::maxRetryHintSeconds)
        return std::nullopt;
    return seconds;
}
}

namespace GroqResponses {
Result<QString, ClientError> chatCompletionContent(const QByteArray &body)
{
    QString parseError;
    const std::optional<QJsonDocument> document = parseJSON(body, &parseError);
    if (!document)
        return ClientError::decoding(QStringLiteral("The data isn't valid JSON (%1).").arg(parseError));
    if (!document->isObject())
        return ClientError::decoding(QStringLiteral("The answer is not a JSON object."));
    const QJsonValue choices = document->object().value(QLatin1String("choices"));
    if (!choices.isArray())
        return ClientError::decoding(QStringLiteral("The list \"choices\" is missing."));
    // Every choice must have the expected shape, as a strict decoder would demand.
    const QJsonArray array = choices.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue message = array.at(i).toObject().value(QLatin1String("message"));
        if (!array.at(i).isObject() || !message.isObject())
            return ClientError::decoding(QStringLiteral("choices[%1].message is missing.").arg(i));
        const QJsonObject object = message.toObject();
        if (!object.value(QLatin1String("role")).isString())
            return ClientError::decoding(QStringLiteral("choices[%1].message.role is missing.").arg(i));
        const QJsonValue content = object.value(QLatin1String("content"));
        if (!content.isUndefined() && !content.isNull() && !content.isString())
            return ClientError::decoding(QStringLiteral("choices[%1].message.content is not text.").arg(i));
    }
    if (array.isEmpty())
        return ClientError::empty();
    const QString content = array.first()
                                .toObject()
                                .value(QLatin1String("message"))
                                .toObject()
                                .value(QLatin1String("content"))
                                .toString();
    if (content.isEmpty())
        return ClientError::empty();
    return content;
}

Result<ToolStep, ClientError> toolStep(const QByteArray &body)
{
    QString parseError;
    const std::optional<QJsonDocument> document = parseJSON(body, &parseError);
    if (!document)
        return ClientError::invalidJSON(parseError);
    const QJsonValue choices = document->object().value(QLatin1String("choices"));
    const QJsonValue first = choices.toArray().at(0);
    const QJsonValue message = first.toObject().value(QLatin1String("message"));
    if (!choices.isArray() || !first.isObject() || !message.isObject())
        return ClientError::decoding(QStringLiteral("missing choices[0].message"));
    const QJsonObject messageObject = message.toObject();

    const QJsonValue toolCalls = messageObject.value(QLatin1String("tool_calls"));
    const QJsonArray callArray = toolCalls.toArray();
    const bool allObjects
        = std::all_of(callArray.begin(), callArray.end(), [](const QJsonValue &v) { return v.isObject(); });
    if (toolCalls.isArray() && !callArray.isEmpty() && allObjects) {
        QList<ToolCall> calls;
        for (const QJsonValue &value : callArray) {
            const QJsonObject call = value.toObject();
            const QJsonValue id = call.value(QLatin1String("id"));
            const QJsonValue function = call.value(QLatin1String("function"));
            const QJsonValue name = function.toObject().value(QLatin1String("name"));
            if (!id.isString() || !function.isObject() || !name.isString())
                continue;
            const QJsonValue arguments = function.toObject().value(QLatin1String("arguments"));
            calls.append(ToolCall {
                id.toString(), name.toString(), arguments.isString() ? arguments.toString() : QStringLiteral("{}") });
        }
        return ToolStep::toolCalls(std::move(calls), messageObject);
    }
    return ToolStep::reply(messageObject.value(QLatin1String("content")).toString());
}

Result<QString, ClientError> transcriptionText(const QByteArray &body)
{
    QString parseError;
    const std::optional<QJsonDocument> document = parseJSON(body, &parseError);
    if (!document)
        return ClientError::decoding(QStringLiteral("The data isn't valid JSON (%1).").arg(parseError));
    const QJsonValue text = document->object().value(QLatin1String("text"));
    if (!document->isObject() || !text.isString())
        return ClientError::decoding(QStringLiteral("The text \"text\" is missing."));
    const QString trimmed = text.toString().trimmed();
    if (trimmed.isEmpty())
        return ClientError::empty();
    return trimmed;
}

Result<QStringList, ClientError> chatModelIDs(const QByteArray &body)
{
    QString parseError;
    const std::optional<QJsonDocument> document = parseJSON(body, &parseError);
    if (!document)
        return ClientError::invalidJSON(parseError);
    const QJsonArray data = document->object().value(QLatin1String("data")).toArray();
    QStringList ids;
    for (const QJsonValue &entry : data) {
        if (!entry.isObject())
            return QStringList();
        const QJsonValue id = entry.toObject().value(QLatin1String("id"));
        if (id.isString())
            ids.append(id.toString());
    }
    return chatModelsOnly(std::move(ids));
}

QStringList chatModelsOnly(QStringList ids)
{
    static const QLatin1String excluded[] = { QLatin1String("whisper"), QLatin1String("orpheus"), QLatin1String("tts"),
        QLatin1String("embed"), QLatin1String("guard"), QLatin1String("compound") };
    ids.removeIf([](const QString &id) {
        const QString lower = id.toLower();
        return std::any_of(
            std::begin(excluded), std::end(excluded), [&](QLatin1String word) { return lower.contains(word); });
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString humanReadable(const QString &errorBody)
{
    const QJsonDocument document = QJsonDocument::fromJson(errorBody.toUtf8());
    const QJsonValue message
        = document.object().value(QLatin1String("error")).toObject().value(QLatin1String("message"));
    const QString text = message.toString();
    if (!message.isString() || text.isEmpty())
        return errorBody;
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

std::optional<double> parseRetryAfter(const std::optional<QString> &retryAfterHeader, const QString &body)
{
    if (retryAfterHeader) {
        const std::optional<double> header
            = usableHint(TextParsing::strictDouble(TextTrim::spacesAndTabs(*retryAfterHeader)));
        if (header)
            return header;
    }
    static const QRegularExpression inSeconds(QStringLiteral("in (\\d+(?:\\.\\d+)?)s"));
    const QRegularExpressionMatch match = inSeconds.match(body);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double seconds = match.captured(1).toDouble(&ok);
    return ok ? usableHint(seconds) : std::nullopt;
}

double retryWaitSeconds(std::optional<double> hint, int attempt, double jitter)
{
    const double backoff = std::pow(2.0, attempt) + (std::isfinite(jitter) ? jitter : 0.0);
    const double wanted = std::max(usableHint(hint).value_or(0.0), backoff);
    return std::clamp(wanted, 0.0, maxRetryWaitSeconds);
}
}
