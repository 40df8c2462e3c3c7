#pragma once

#include "platform/SecretStore.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class SettingsStore;

// Holds the user's Groq API key in the desktop keyring. The key is read once at launch and then
// served from memory, so readers never wait; every change is written through to the keyring.
// When the desktop has no secret service at all, the key may come from GROQ_API_KEY (read-only).
// The key never goes to a plain file or a log line.
class KeyStore : public QObject {
    Q_OBJECT

public:
    static inline const QString account = QStringLiteral("groq-api-key");

    KeyStore(SecretStore &secrets, SettingsStore &settings, QObject *parent = nullptr);

    // Reads the keyring once; afterwards groqAPIKey() answers from memory.
    QCoro::Task<> load();

    std::optional<QString> groqAPIKey() const { return m_key; }
    // The key as a callable for the language services, which do not know this store; it reads
    // nothing once the store is gone.
    std::function<std::optional<QString>()> keyProvider() const;
    bool hasKey() const { return m_key.has_value(); }
    // True when the key came from the environment because no keyring exists.
    bool isFromEnvironment() const { return m_fromEnvironment; }

    // Trims the value; stores it, or deletes the item when it is absent or blank, and then removes
    // the older copy from the settings. A write the keyring refuses changes nothing, neither the
    // keyring nor the settings. Resolves to true when the keyring now holds what was asked.
    QCoro::Task<bool> setGroqAPIKey(std::optional<QString> value);

    // Moves a key left in "tam.groqAPIKey" into the keyring. Returns the trimmed key or nothing.
    QCoro::Task<std::optional<QString>> migrateFromDefaultsIfNeeded();

signals:
    void keyChanged();

private:
    QCoro::Task<bool> write(QString text);
    void setCachedKey(std::optional<QString> key);

    // The keyring may be torn down while an operation waits on it; what follows then fails.
    QPointer<SecretStore> m_secrets;
    SettingsStore &m_settings;
    std::optional<QString> m_key;
    bool m_fromEnvironment = false;
};
