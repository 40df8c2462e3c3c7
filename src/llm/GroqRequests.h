#pragma once

#include "llm/GroqMessage.h"
#include "llm/ToolSpec.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// Request bodies for the chat-completion and transcription endpoints. Pure functions: they
// build bytes and touch nothing else.
namespace GroqRequests {
// True when the model accepts "reasoning_effort" (gpt-oss and qwen3 families).
bool supportsReasoningEffort(const QString &model);

// A plain chat completion. "response_format" is sent only for jsonOnly, "reasoning_effort" only
// when given and supported by the model.
QByteArray chatCompletionBody(const QString &model, const QList<GroqMessage> &messages, double temperature,
    int maxTokens, bool jsonOnly, const std::optional<QString> &reasoningEffort);

// One step of a tool-calling conversation. The messages pass through unchanged; with no tools,
// neither "tools" nor "tool_choice" is sent.
QByteArray toolStepBody(const QString &model, const QList<QJsonObject> &messages, const QList<ToolSpec> &tools,
    double temperature, int maxTokens);

// The Content-Type of an audio file, from its name ("audio/wav" for .wav).
QByteArray audioContentType(const QString &fileName);

// The multipart/form-data body of a transcription: the fields "model", "response_format" = "json",
// optionally "language", then the file part, then the closing boundary line.
QByteArray transcriptionBody(const QString &boundary, const QString &model, const std::optional<QString> &language,
    const QString &fileName, const QByteArray &contentType, const QByteArray &audio);
}
