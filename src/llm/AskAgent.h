#pragma once

#include "foundation/Result.h"
#include "llm/ClientError.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimeZone>

#include <qcoro/qcorotask.h>

class Clock;
class GroqClient;
class SettingsStore;
class ToolExecutor;

// Answers one question in the pet's character, carrying out the tool calls the model asks for
// on the way. Each question is a fresh conversation: system prompt, question, then for every
// answer that asks for tools the model's message and one tagged tool answer per call, until the
// model replies in words or four requests have been made.
//
// The client, the executor or the agent itself may be deleted while a question is in flight; the
// question then ends as cancelled.
class AskAgent : public QObject {
    Q_OBJECT

public:
    static constexpr int maxRequests = 4;
    // More calls than this in one answer are answered with an error instead of being run.
    static constexpr int maxCallsPerAnswer = 16;
    static constexpr double temperature = 0.7;
    static constexpr int maxTokens = 1024;

    AskAgent(GroqClient &client, ToolExecutor &tools, const SettingsStore &settings, const Clock &clock,
        QObject *parent = nullptr);

    // persona: the active character's systemPrompt(). The reply is trimmed and never empty.
    QCoro::Task<Result<QString, ClientError>> ask(QString query, QString persona);

    // persona + the tools paragraph + nowSentence() + ".".
    QString systemPrompt(const QString &persona) const;
    // The clock's time in the user's locale and time zone, e.g. "Friday, May 22 2026 at 3:30 PM PDT".
    QString nowSentence() const;
    static QString formatNow(const QDateTime &now, const QLocale &locale, const QTimeZone &zone);
    static QString toolsParagraph();
    // "[ERROR] " + result for results that report a failure, "[OK] " + result otherwise; a result
    // that already carries one of the tags is sent as it is.
    static QString tagToolResult(const QString &result);

    void setTimeZone(const QTimeZone &zone) { m_timeZone = zone; }

private:
    QPointer<GroqClient> m_client;
    QPointer<ToolExecutor> m_tools;
    const SettingsStore &m_settings;
    const Clock &m_clock;
    QTimeZone m_timeZone = QTimeZone::systemTimeZone();
};
