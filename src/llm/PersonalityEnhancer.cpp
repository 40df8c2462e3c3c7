#include "llm/PersonalityEnhancer.h"

#include "llm/ChatterGenerator.h"
#include "llm/GroqClient.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

namespace {
const QString rewriteInstructions = QString::fromUtf8(R"PROMPT(

Rewrite it as a vivid 2–4 sentence personality description that:
- Preserves the original intent and every detail.
- Adds specific quirks, a clear tone of voice, and what they care about.
- Sounds like one continuous description, not a bulleted list.
- Uses proper sentence casing.
- Stays between ~80 and ~220 characters total.

Return only the rewritten description. No quotes, no preface, no markdown.)PROMPT");
}

QString PersonalityEnhancer::EnhanceError::description() const
{
    switch (m_kind) {
    case Kind::NoKey: return QStringLiteral("Add a Groq API key in Preferences \u2192 Advanced first.");
    case Kind::Client: return m_client ? m_client->description() : QString();
    }
    return {};
}

PersonalityEnhancer::PersonalityEnhancer(GroqClient &client, const SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_client(&client)
    , m_settings(settings)
{
}

QString PersonalityEnhancer::systemMessage()
{
    return QStringLiteral("You help a user write vivid character descriptions for small desktop pets. You write in "
                          "plain prose. You use proper sentence casing. You do not add quotes, prefaces, markdown, or "
                          "commentary. You return only the description.");
}

QString PersonalityEnhancer::userPrompt(const QString &seed, const QString &name)
{
    const QString sketch = seed.trimmed();
    const QString trimmedName = name.trimmed();
    const QString namePart = trimmedName.isEmpty() ? QString() : QStringLiteral(" named ") + trimmedName;
    if (!sketch.isEmpty()) {
        return QStringLiteral("A user wrote this short personality sketch for a small desktop pet") + namePart
            + QStringLiteral(":\n\n") + sketch + rewriteInstructions;
    }
    return QStringLiteral("Write a personality description (2\u20134 sentences, ~80\u2013220 characters total) for a "
                          "small desktop pet")
        + namePart
        + QStringLiteral(". Give it a distinct, specific personality \u2014 their attitude, what they care about, how "
                         "they speak, one or two quirks. Avoid generic descriptions. Use proper sentence casing.");
}

QString PersonalityEnhancer::cleaned(const QString &reply)
{
    QString text = ChatterGenerator::firstCharacters(reply.trimmed(), maxDescriptionLength);
    if (text.size() >= 3 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    return ChatterGenerator::capitalized(text);
}

QCoro::Task<Result<QString, PersonalityEnhancer::EnhanceError>> PersonalityEnhancer::enhance(QString seed, QString name)
{
    QPointer<PersonalityEnhancer> self(this);
    if (!m_client || !m_client->hasKey())
        co_return EnhanceError::noKey();
    const QList<GroqMessage> messages { { QStringLiteral("system"), systemMessage() },
        { QStringLiteral("user"), userPrompt(seed, name) } };
    const Result<QString, ClientError> reply = co_await m_client->chatOnce(
        m_settings.value(SettingsKeys::groqModel), messages, temperature, maxTokens, false, QStringLiteral("low"));
    if (!self)
        co_return EnhanceError::client(ClientError::cancelled());
    if (!reply.ok())
        co_return EnhanceError::client(reply.error());
    co_return cleaned(reply.value());
}
