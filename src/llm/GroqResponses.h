#pragma once

#include "foundation/Result.h"
#include "llm/ClientError.h"
#include "llm/ToolStep.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Readers for the service's answers. Pure functions over bytes; every one copes with any input.
namespace GroqResponses {
// Hints above this many seconds (or not finite) are not believed.
inline constexpr double maxRetryHintSeconds = 86400.0;
// No back-off wait is ever longer than this.
inline constexpr double maxRetryWaitSeconds = 8.0;

// A chat completion read strictly: {"choices": [{"message": {"role": text, "content": text|null}}]}.
// The first choice's content, untrimmed; Empty when there is none or it is "".
Result<QString, ClientError> chatCompletionContent(const QByteArray &body);

// One tool-calling step, read leniently. A body that is not JSON is InvalidJSON; a body without
// choices[0].message is Decoding("missing choices[0].message").
Result<ToolStep, ClientError> toolStep(const QByteArray &body);

// A transcription {"text": ...}, trimmed; Empty when blank.
Result<QString, ClientError> transcriptionText(const QByteArray &body);

// Every text "id" of "data", in order, without the models that cannot chat with tools, sorted.
// Any other shape is an empty list; only a body that is not JSON is an error.
Result<QStringList, ClientError> chatModelIDs(const QByteArray &body);
// Drops speech, text-to-speech, embedding, safety and compound-system models; sorts the rest.
QStringList chatModelsOnly(QStringList ids);

// The service's own error message ({"error": {"message": ...}}) ending with a full stop, or the
// body unchanged when it has no such message.
QString humanReadable(const QString &errorBody);

// The server's hint in seconds: the Retry-After value when it is a plain decimal number, else
// the first "in <number>s" of the body. Absent when neither is usable (including negative,
// non-finite or absurdly large values).
std::optional<double> parseRetryAfter(const std::optional<QString> &retryAfterHeader, const QString &body);

// The back-off before retry number attempt + 1: min(max(hint, 2^attempt + jitter), 8) seconds.
double retryWaitSeconds(std::optional<double> hint, int attempt, double jitter);
}
