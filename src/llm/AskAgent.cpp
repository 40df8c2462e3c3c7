#include "llm/AskAgent.h"

#include "foundation/TextTrim.h"
#include "llm/GroqClient.h"
#include "llm/ToolExecutor.h"
#include "platform/Clock.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QJsonObject>

#include <algorithm>

namespace {
// Sent to the model after the persona; it ends where the current time is appended.
const QString toolsText = QStringLiteral("\n\n")
    + QString::fromUtf8(
        R"TOOLS(You also help the user by taking small actions on their computer. Use the provided tools when the request clearly calls for an action — don't ask for confirmation first; just do it.

ONLY call tools from the provided list. Never invent tool names. If the user asks you to search the web, look something up online, or find news/facts you don't know, call `web_search` with a natural-language query. If no provided tool fits the request, just answer in plain text from what you know.

TOOL RESULT FORMAT: Every tool response begins with either `[OK]` or `[ERROR]`.

- `[OK] ...` means the action SUCCEEDED. Confirm what happened in one short in-character sentence. Do NOT add caveats, warnings, "you may need to grant permission", "if you want to see X, you'll need to…", or any forward-looking advice the user did not ask for. The action worked — celebrate or acknowledge it, then stop.

- `[ERROR] ...` means the action FAILED. Relay the error verbatim (or a short in-character paraphrase). Do NOT retry. Do NOT switch to `web_search`. Do NOT search documentation. The user knows their environment; they need the actual error.

After any tool call, respond with a SHORT in-character message (≤180 characters). This text shows in a chat bubble above the pet — keep it brief, natural, and ego-free.

It is currently )TOOLS");

const QString okTag = QStringLiteral("[OK] ");
const QString errorTag = QStringLiteral("[ERROR] ");

QJsonObject chatMessage(const QString &role, const QString &content)
{
    return QJsonObject { { QStringLiteral("role"), role }, { QStringLiteral("content"), content } };
}

QJsonObject toolMessage(const QString &callID, const QString &content)
{
    return QJsonObject { { QStringLiteral("role"), QStringLiteral("tool") }, { QStringLiteral("tool_call_id"), callID },
        { QStringLiteral("content"), content } };
}

bool reportsFailure(const QString &trimmed)
{
    static const QLatin1String failurePrefixes[] = { QLatin1String("couldn't"), QLatin1String("could not"),
        QLatin1String("need a"), QLatin1String("need an"), QLatin1String("no animation"), QLatin1String("no notes"),
        QLatin1String("unknown tool"), QLatin1String("screencapture exited"), QLatin1String("the model didn't"),
        QLatin1String("transcription failed"),
        // Two tools report that nothing happened without one of the words above; the model must
        // not take them for success.
        QLatin1String("no pet is loaded"), QLatin1String("note content was empty") };
    if (trimmed.startsWith(QLatin1String("PERMISSION_REQUIRED:")))
        return true;
    const QString lower = trimmed.toLower();
    return std::any_of(std::begin(failurePrefixes), std::end(failurePrefixes),
        [&](QLatin1String prefix) { return lower.startsWith(prefix); });
}
}

AskAgent::AskAgent(
    GroqClient &client, ToolExecutor &tools, const SettingsStore &settings, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_client(&client)
    , m_tools(&tools)
    , m_settings(settings)
    , m_clock(clock)
{
}

QString AskAgent::toolsParagraph()
{
    return toolsText;
}

QString AskAgent::formatNow(const QDateTime &now, const QLocale &locale, const QTimeZone &zone)
{
    return locale.toString(now.toTimeZone(zone), QStringLiteral("dddd, MMMM d yyyy 'at' h:mm AP t"));
}

QString AskAgent::nowSentence() const
{
    return formatNow(m_clock.now(), QLocale(), m_timeZone);
}

QString AskAgent::systemPrompt(const QString &persona) const
{
    return persona + toolsText + nowSentence() + QLatin1Char('.');
}

QString AskAgent::tagToolResult(const QString &result)
{
    const QString trimmed = TextTrim::spacesAndTabs(result);
    // A tool may already have tagged its answer (the link refusal does); one tag is enough.
    if (trimmed.startsWith(errorTag.trimmed()) || trimmed.startsWith(okTag.trimmed()))
        return result;
    return (reportsFailure(trimmed) ? errorTag : okTag) + result;
}

QCoro::Task<Result<QString, ClientError>> AskAgent::ask(QString query, QString persona)
{
    QPointer<AskAgent> self(this);
    // The keyring may still be being read just after launch; the question waits for it.
    if (!m_client)
        co_return ClientError::missingKey();
    const std::optional<QString> key = co_await m_client->awaitKey();
    if (!key)
        co_return ClientError::missingKey();
    if (!self || !m_tools)
        co_return ClientError::cancelled();

    const QString model = m_settings.value(SettingsKeys::groqModel);
    QList<QJsonObject> conversation { chatMessage(QStringLiteral("system"), systemPrompt(persona)),
        chatMessage(QStringLiteral("user"), query) };
    const QList<ToolSpec> offered = m_tools->specs();

    for (int request = 1;; ++request) {
        if (!m_client)
            co_return ClientError::cancelled();
        Result<ToolStep, ClientError> step
            = co_await m_client->chatStep(model, conversation, offered, temperature, maxTokens);
        if (!self || !m_client)
            co_return ClientError::cancelled();
        if (!step.ok())
            co_return step.error();

        if (step.value().kind == ToolStep::Kind::Reply) {
            const QString reply = step.value().text.trimmed();
            if (reply.isEmpty())
                co_return ClientError::empty();
            co_return reply;
        }

        conversation.append(step.value().assistantMessage);
        const QList<ToolCall> calls = step.value().calls;
        for (qsizetype i = 0; i < calls.size(); ++i) {
            const ToolCall &call = calls.at(i);
            // Every call must be answered for the conversation to stay valid, but a runaway answer
            // is not carried out.
            if (i >= maxCallsPerAnswer) {
                conversation.append(
                    toolMessage(call.id, errorTag + QStringLiteral("Skipped: too many tool calls in one answer.")));
                continue;
            }
            if (!m_tools)
                co_return ClientError::cancelled();
            const QString result = co_await m_tools->execute(call);
            if (!self)
                co_return ClientError::cancelled();
            conversation.append(toolMessage(call.id, tagToolResult(result)));
        }
        if (request >= maxRequests)
            co_return ClientError::empty();
    }
}
