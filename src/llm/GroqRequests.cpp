#include "llm/GroqRequests.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject toolJson(const ToolSpec &tool)
{
    const QJsonObject function { { QStringLiteral("name"), tool.name },
        { QStringLiteral("description"), tool.description }, { QStringLiteral("parameters"), tool.parameters } };
    return QJsonObject { { QStringLiteral("type"), QStringLiteral("function") },
        { QStringLiteral("function"), function } };
}

// A quoted-string parameter of a Content-Disposition header cannot hold a quotation mark, a
// backslash or a line break; the file name is ours, but it must never break the form.
QByteArray quotedParameter(const QString &value)
{
    QByteArray bytes = value.toUtf8();
    for (char &c : bytes) {
        if (c == '"' || c == '\\' || c == '\r' || c == '\n')
            c = '_';
    }
    return '"' + bytes + '"';
}

void appendField(QByteArray &body, const QByteArray &boundary, const QByteArray &name, const QString &value)
{
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
    body += value.toUtf8() + "\r\n";
}
}

namespace GroqRequests {
bool supportsReasoningEffort(const QString &model)
{
    const QString lower = model.toLower();
    return lower.contains(QLatin1String("gpt-oss")) || lower.contains(QLatin1String("qwen3"));
}

QByteArray chatCompletionBody(const QString &model, const QList<GroqMessage> &messages, double temperature,
    int maxTokens, bool jsonOnly, const std::optional<QString> &reasoningEffort)
{
    QJsonArray messageArray;
    for (const GroqMessage &message : messages)
        messageArray.append(message.toJson());
    QJsonObject body { { QStringLiteral("model"), model }, { QStringLiteral("messages"), messageArray },
        { QStringLiteral("temperature"), temperature }, { QStringLiteral("max_tokens"), maxTokens } };
    if (jsonOnly)
        body.insert(QStringLiteral("response_format"),
            QJsonObject { { QStringLiteral("type"), QStringLiteral("json_object") } });
    if (reasoningEffort && supportsReasoningEffort(model))
        body.insert(QStringLiteral("reasoning_effort"), *reasoningEffort);
    return compact(body);
}

QByteArray toolStepBody(const QString &model, const QList<QJsonObject> &messages, const QList<ToolSpec> &tools,
    double temperature, int maxTokens)
{
    QJsonArray messageArray;
    for (const QJsonObject &message : messages)
        messageArray.append(message);
    QJsonObject body { { QStringLiteral("model"), model }, { QStringLiteral("messages"), messageArray },
        { QStringLiteral("temperature"), temperature }, { QStringLiteral("max_tokens"), maxTokens } };
    if (!tools.isEmpty()) {
        QJsonArray toolArray;
        for (const ToolSpec &tool : tools)
            toolArray.append(toolJson(tool));
        body.insert(QStringLiteral("tools"), toolArray);
        body.insert(QStringLiteral("tool_choice"), QStringLiteral("auto"));
    }
    return compact(body);
}

QByteArray audioContentType(const QString &fileName)
{
    const QString suffix = fileName.section(QLatin1Char('.'), -1).toLower();
    if (!fileName.contains(QLatin1Char('.')))
        return "application/octet-stream";
    if (suffix == QLatin1String("wav"))
        return "audio/wav";
    if (suffix == QLatin1String("m4a"))
        return "audio/m4a";
    if (suffix == QLatin1String("mp3") || suffix == QLatin1String("mpga") || suffix == QLatin1String("mpeg"))
        return "audio/mpeg";
    if (suffix == QLatin1String("flac"))
        return "audio/flac";
    if (suffix == QLatin1String("ogg") || suffix == QLatin1String("opus"))
        return "audio/ogg";
    if (suffix == QLatin1String("webm"))
        return "audio/webm";
    return "application/octet-stream";
}

QByteArray transcriptionBody(const QString &boundary, const QString &model, const std::optional<QString> &language,
    const QString &fileName, const QByteArray &contentType, const QByteArray &audio)
{
    const QByteArray b = boundary.toUtf8();
    QByteArray body;
    body.reserve(audio.size() + 1024);
    appendField(body, b, "model", model);
    appendField(body, b, "response_format", QStringLiteral("json"));
    if (language)
        appendField(body, b, "language", *language);
    body += "--" + b + "\r\n";
    body += "Content-Disposition: form-data; name=\"file\"; filename=" + quotedParameter(fileName) + "\r\n";
    body += "Content-Type: " + contentType + "\r\n\r\n";
    body += audio;
    body += "\r\n";
    body += "--" + b + "--\r\n";
    return body;
}
}
