#include "preferences/GroqCardModel.h"

#include "llm/GroqClient.h"
#include "services/KeyStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QPointer>

namespace {
const QString kPreferredModel = QStringLiteral("openai/gpt-oss-120b");
const QString kSmallModel = QStringLiteral("openai/gpt-oss-20b");

QString storedModel(const SettingsStore &settings)
{
    const QString model = settings.value(SettingsKeys::groqModel).trimmed();
    return model.isEmpty() ? kPreferredModel : model;
}
}

const QStringList GroqCardModel::builtInModels { kPreferredModel, kSmallModel };

GroqCardModel::GroqCardModel(KeyStore &keys, SettingsStore &settings, GroqClient &client, QObject *parent)
    : QObject(parent)
    , m_keys(keys)
    , m_settings(settings)
    , m_client(client)
    , m_model(storedModel(settings))
    , m_availableModels(builtInModels)
{
    connect(&keys, &KeyStore::keyChanged, this, &GroqCardModel::changed);
    connect(&keys, &KeyStore::loaded, this, &GroqCardModel::changed);
}

bool GroqCardModel::hasKey() const
{
    return m_keys.hasKey();
}

QString GroqCardModel::chipText() const
{
    return hasKey() ? QStringLiteral("SAVED") : QStringLiteral("NOT SET");
}

QString GroqCardModel::keyPlaceholder() const
{
    return hasKey() ? QStringLiteral("••••••••••••  ·  paste a new key to replace")
                    : QStringLiteral("paste your Groq key");
}

QString GroqCardModel::saveButtonText() const
{
    return hasKey() ? QStringLiteral("Update") : QStringLiteral("Save");
}

QString GroqCardModel::keyOnFileText() const
{
    const std::optional<QString> key = m_keys.groqAPIKey();
    if (!key)
        return {};
    const QString where
        = m_keys.isFromEnvironment() ? QStringLiteral("Key from GROQ_API_KEY") : QStringLiteral("Key on file");
    // Four characters of a key that short would be most or all of it; real Groq keys are ~56 long.
    if (key->size() <= 3)
        return where + QStringLiteral(" · too short to be a Groq key");
    return where + QStringLiteral(" · ends in ") + key->right(4);
}

bool GroqCardModel::canClear() const
{
    return hasKey() && !m_keys.isFromEnvironment();
}

QString GroqCardModel::keyringAdvice() const
{
    if (!m_keys.isKeyringMissing())
        return {};
    return QStringLiteral("No keyring found. Tamsel keeps your key only in a Secret Service keyring: install "
                          "gnome-keyring (or turn on KeePassXC's Secret Service), sign in again, then paste the key. "
                          "Until then Tamsel reads GROQ_API_KEY.");
}

QStringList GroqCardModel::modelChoices() const
{
    if (m_availableModels.contains(m_model))
        return m_availableModels;
    return QStringList { m_model } + m_availableModels;
}

QString GroqCardModel::modelHint() const
{
    if (m_modelMigratedFrom)
        return *m_modelMigratedFrom + QStringLiteral(" is no longer offered by Groq — switched to ") + m_model
            + QLatin1Char('.');
    if (m_loadingModels)
        return QStringLiteral("Checking which models your key can reach…");
    if (m_availableModels.contains(m_model))
        return {};
    return QStringLiteral("Groq doesn't list this model for your key. Pick another if requests fail.");
}

QString GroqCardModel::statusHint() const
{
    switch (m_status) {
    case Status::Idle:
        return hasKey() ? QStringLiteral("Key set. Try a quick connection.")
                        : QStringLiteral("Add an API key to get started.");
    case Status::Testing: return QStringLiteral("Sending one tiny ping…");
    case Status::Ok: return m_statusMessage.isEmpty() ? QStringLiteral("Connected.") : m_statusMessage;
    case Status::Error: return m_statusMessage;
    }
    return {};
}

QString GroqCardModel::pillText() const
{
    switch (m_status) {
    case Status::Idle: return {};
    case Status::Testing: return QStringLiteral("Testing");
    case Status::Ok: return QStringLiteral("Ready");
    case Status::Error: return QStringLiteral("Error");
    }
    return {};
}

AlertPresenter::Alert GroqCardModel::clearConfirmation()
{
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Warning;
    alert.title = QStringLiteral("Clear the Groq key?");
    alert.informativeText = QStringLiteral("Tamsel will lose access to Groq until you paste a new key. Chatter "
                                           "generation and Ask Tamsel will stop working.");
    alert.buttons = { QStringLiteral("Clear"), QStringLiteral("Cancel") };
    return alert;
}

void GroqCardModel::setStatus(Status status, QString message)
{
    m_status = status;
    m_statusMessage = std::move(message);
    emit changed();
}

QCoro::Task<> GroqCardModel::saveKey()
{
    const QString key = m_keyDraft.trimmed();
    if (key.isEmpty())
        co_return;
    QPointer<GroqCardModel> self(this);
    auto task = m_keys.setGroqAPIKey(key);
    const bool saved = co_await std::move(task);
    if (!self)
        co_return;
    if (!saved) {
        // The draft stays so the user need not paste it again.
        setStatus(Status::Error, QStringLiteral("The keyring didn't save the key: ") + m_keys.lastFailure());
        co_return;
    }
    m_keyDraft.clear();
    setStatus(Status::Idle, {});
    // Another key may reach other models.
    refreshModels();
}

void GroqCardModel::confirmAndClear(AlertPresenter &alerts)
{
    if (canClear() && alerts.present(clearConfirmation()) == 0)
        clearKey();
}

QCoro::Task<> GroqCardModel::clearKey()
{
    QPointer<GroqCardModel> self(this);
    auto task = m_keys.setGroqAPIKey(std::nullopt);
    const bool removed = co_await std::move(task);
    if (!self)
        co_return;
    m_keyDraft.clear();
    if (!removed)
        setStatus(Status::Error, QStringLiteral("The keyring didn't remove the key: ") + m_keys.lastFailure());
    else
        setStatus(Status::Idle, {});
}

void GroqCardModel::chooseModel(const QString &model)
{
    if (model.trimmed().isEmpty())
        return;
    m_model = model.trimmed();
    m_settings.setValue(SettingsKeys::groqModel, m_model);
    m_modelMigratedFrom.reset();
    emit changed();
}

QCoro::Task<> GroqCardModel::testConnection()
{
    QPointer<GroqCardModel> self(this);
    setStatus(Status::Testing, {});
    auto task = m_client.ping(storedModel(m_settings));
    const auto reply = co_await std::move(task);
    if (!self)
        co_return;
    if (reply.ok())
        setStatus(Status::Ok, QStringLiteral("Got: ") + reply.value().trimmed());
    else
        setStatus(Status::Error, reply.error().description());
}

QCoro::Task<> GroqCardModel::refreshModels()
{
    QPointer<GroqCardModel> self(this);
    auto keyTask = m_keys.awaitKey();
    const std::optional<QString> key = co_await std::move(keyTask);
    if (!self || !key)
        co_return;
    m_loadingModels = true;
    emit changed();
    auto listTask = m_client.listChatModels();
    const auto listed = co_await std::move(listTask);
    if (!self)
        co_return;
    m_loadingModels = false;
    if (listed.ok() && !listed.value().isEmpty()) {
        const QStringList models = listed.value();
        m_availableModels = models;
        if (!models.contains(m_model)) {
            const QString replacement = models.contains(kPreferredModel) ? kPreferredModel
                : models.contains(kSmallModel)                           ? kSmallModel
                                                                         : models.first();
            m_modelMigratedFrom = m_model;
            m_model = replacement;
            m_settings.setValue(SettingsKeys::groqModel, replacement);
        }
    }
    emit changed();
}
