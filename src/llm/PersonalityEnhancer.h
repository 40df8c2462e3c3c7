#pragma once

#include "foundation/Result.h"
#include "llm/ClientError.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

class GroqClient;
class SettingsStore;

// Turns a short personality sketch (or nothing at all) into a vivid description of two to four
// sentences, written by the chat model. The enhancer may be deleted while its request is in
// flight; the request then ends as a cancelled client error.
class PersonalityEnhancer : public QObject {
    Q_OBJECT

public:
    // Why no description came back. description() is a finished sentence for an alert.
    class EnhanceError {
    public:
        // Client wraps a failed request and describes itself as that error.
        enum class Kind { NoKey, Client };

        static EnhanceError noKey() { return EnhanceError(Kind::NoKey, std::nullopt); }
        static EnhanceError client(ClientError error) { return EnhanceError(Kind::Client, std::move(error)); }

        Kind kind() const { return m_kind; }
        std::optional<ClientError> clientError() const { return m_client; }
        QString description() const;

        friend bool operator==(const EnhanceError &, const EnhanceError &) = default;

    private:
        EnhanceError(Kind kind, std::optional<ClientError> client)
            : m_kind(kind)
            , m_client(std::move(client))
        {
        }

        Kind m_kind;
        std::optional<ClientError> m_client;
    };

    static constexpr double temperature = 0.8;
    static constexpr int maxTokens = 1200;
    // A description longer than this (in user-perceived characters) is cut: the reply is untrusted
    // and a sensible one is a few hundred characters.
    static constexpr int maxDescriptionLength = 2000;

    PersonalityEnhancer(GroqClient &client, const SettingsStore &settings, QObject *parent = nullptr);

    // seed: the user's sketch (may be empty); name: the pet's name (may be empty). The result may
    // be empty when the model answered with nothing.
    QCoro::Task<Result<QString, EnhanceError>> enhance(QString seed, QString name);

    static QString systemMessage();
    static QString userPrompt(const QString &seed, const QString &name);
    // Trimmed, cut to maxDescriptionLength, one pair of surrounding straight double quotes removed,
    // first letter capitalised.
    static QString cleaned(const QString &reply);

private:
    QPointer<GroqClient> m_client;
    const SettingsStore &m_settings;
};
