#pragma once

#include "platform/SecretStore.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class SettingsStore;

// Holds the user's Groq API key in the desktop keyring. The key is read once, after launch has
// shown the pet (an unlock prompt or a slow secret service must not hold the program up), and then
// served from memory; requests made before it has been read wait for it through awaitKey().
// Every change is written through to the keyring.
// When the desktop has no secret service at all, the key may come from GROQ_API_KEY (read-only).
// The key never goes to a plain file or a log line.
class KeyStore : public QObject {
    Q_OBJECT

public:
    static inline const QString account = QStringLiteral("groq-api-key");

    KeyStore(SecretStore &secrets, SettingsStore &settings, QObject *parent = nullptr);

    // Reads the keyring once; afterwards groqAPIKey() answers from memory.
    QCoro::Task<> load();
    // Moves a key left in the settings into the keyring, then loads, without waiting for either.
    // Does nothing when loading has begun already.
    void startLoading();
    bool isLoaded() const { return m_loaded; }
    // The key once the keyring has been read (starting the read when nobody has).
    QCoro::Task<std::optional<QString>> awaitKey();

    std::optional<QString> groqAPIKey() const { return m_key; }
    // The key and the wait for it as callables for the language services (GroqClient's key
    // provider and key loader), which do not know this store; both do nothing once it is gone.
    std::function<std::optional<QString>()> keyProvider() const;
    std::function<QCoro::Task<>()> keyLoader();
    bool hasKey() const { return m_key.has_value(); }
    // True when the key came from the environment because no keyring exists.
    bool isFromEnvironment() const { return m_fromEnvironment; }
    // True when the last read found no secret service on this desktop at all.
    bool isKeyringMissing() const { return m_keyringMissing; }
    // The keyring's reason for the last change setGroqAPIKey() could not make; empty after a success.
    QString lastFailure() const { return m_lastFailure; }

    // Trims the value; stores it, or deletes the item when it is absent or blank, and then removes
    // the older copy from the settings. A write the keyring refuses changes nothing, neither the
    // keyring nor the settings. Resolves to true when the keyring now holds what was asked.
    QCoro::Task<bool> setGroqAPIKey(std::optional<QString> value);

    // Moves a key left in "tam.groqAPIKey" into the keyring. Returns the trimmed key or nothing.
    QCoro::Task<std::optional<QString>> migrateFromDefaultsIfNeeded();

signals:
    void keyChanged();
    // The keyring has been read (or found missing) for the first time.
    void loaded();

private:
    QCoro::Task<> migrateThenLoad();
    static QCoro::Task<> waitUntilLoaded(QPointer<KeyStore> store);
    QCoro::Task<bool> write(QString text);
    void setCachedKey(std::optional<QString> key);
    QString failureReason() const;

    // The keyring may be torn down while an operation waits on it; what follows then fails.
    QPointer<SecretStore> m_secrets;
    SettingsStore &m_settings;
    std::optional<QString> m_key;
    QString m_lastFailure;
    bool m_fromEnvironment = false;
    bool m_keyringMissing = false;
    bool m_loading = false;
    bool m_loaded = false;
};
