#pragma once

#include "platform/AlertPresenter.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <optional>

class GroqClient;
class KeyStore;
class SettingsStore;

// What the Groq card of the preferences shows and does: the API key (kept only in the keyring
// through the key store), the chat model in "tam.groqModel", the connection test and the check of
// which models the key can reach. Errors stay in the card; nothing here shows an alert of its own
// or logs the key. The card's widget only mirrors this and forwards the user's actions.
class GroqCardModel : public QObject {
    Q_OBJECT

public:
    enum class Status { Idle, Testing, Ok, Error };

    GroqCardModel(KeyStore &keys, SettingsStore &settings, GroqClient &client, QObject *parent = nullptr);

    // The models offered before the service has said which the key can reach.
    static const QStringList builtInModels;

    bool hasKey() const;
    QString chipText() const; // "SAVED" / "NOT SET"
    QString keyPlaceholder() const;
    QString saveButtonText() const; // "Save" / "Update"
    // "Key on file · ends in 1234" (or where the key came from); empty without a key.
    QString keyOnFileText() const;
    // The keyring cannot forget a key it did not store: one from GROQ_API_KEY stays.
    bool canClear() const;
    // How to get a keyring when the desktop has none; empty otherwise.
    QString keyringAdvice() const;

    QString keyDraft() const { return m_keyDraft; }
    void setKeyDraft(const QString &draft) { m_keyDraft = draft; }

    QString model() const { return m_model; }
    QStringList availableModels() const { return m_availableModels; }
    // The available models, with the current one first when the list lacks it.
    QStringList modelChoices() const;
    bool isLoadingModels() const { return m_loadingModels; }
    QString modelHint() const;

    Status status() const { return m_status; }
    QString statusMessage() const { return m_statusMessage; }
    QString statusHint() const;
    // "Testing", "Ready", "Error"; empty when idle.
    QString pillText() const;

    static AlertPresenter::Alert clearConfirmation();

    // Stores the trimmed draft; a blank draft does nothing. A keyring that refuses keeps the draft
    // and puts its reason in the status.
    QCoro::Task<> saveKey();
    // Asks with the confirmation alert first; clears only on "Clear".
    void confirmAndClear(AlertPresenter &alerts);
    QCoro::Task<> clearKey();
    void chooseModel(const QString &model);
    QCoro::Task<> testConnection();
    // Asks the service which chat models the key reaches; moves a stored model it no longer
    // offers to the closest one it does.
    QCoro::Task<> refreshModels();

signals:
    void changed();

private:
    void setStatus(Status status, QString message);

    KeyStore &m_keys;
    SettingsStore &m_settings;
    GroqClient &m_client;
    QString m_keyDraft;
    QString m_model;
    Status m_status = Status::Idle;
    QString m_statusMessage;
    QStringList m_availableModels;
    bool m_loadingModels = false;
    std::optional<QString> m_modelMigratedFrom;
};
