#include "services/KeyStore.h"

#include "foundation/Log.h"
#include "platform/SecretStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QPointer>
#include <QStringDecoder>

#include <qcoro/qcorosignal.h>

namespace {
std::optional<QString> decodeKey(const QByteArray &data)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(data);
    if (decoder.hasError() || text.isEmpty())
        return std::nullopt;
    return text;
}
}

KeyStore::KeyStore(SecretStore &secrets, SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_secrets(&secrets)
    , m_settings(settings)
{
}

QCoro::Task<> KeyStore::load()
{
    QPointer<KeyStore> self(this);
    m_loading = true;
    SecretStore::ReadResult result;
    if (m_secrets)
        result = co_await m_secrets->read(account);
    if (!self)
        co_return;
    m_keyringMissing = result.status == SecretStore::Status::Unavailable;
    if (result.status == SecretStore::Status::Ok) {
        m_fromEnvironment = false;
        setCachedKey(decodeKey(result.data));
    } else if (const QString fromEnvironment = qEnvironmentVariable("GROQ_API_KEY").trimmed();
               result.status == SecretStore::Status::Unavailable && !fromEnvironment.isEmpty()) {
        m_fromEnvironment = true;
        setCachedKey(fromEnvironment);
    } else {
        setCachedKey(std::nullopt);
    }
    if (!m_loaded) {
        m_loaded = true;
        emit loaded();
    }
}

void KeyStore::startLoading()
{
    if (m_loading || m_loaded)
        return;
    m_loading = true;
    migrateThenLoad(); // runs on by itself; awaitKey() and loaded() tell when it is done
}

QCoro::Task<> KeyStore::migrateThenLoad()
{
    QPointer<KeyStore> self(this);
    co_await migrateFromDefaultsIfNeeded();
    if (!self)
        co_return;
    co_await load();
}

QCoro::Task<std::optional<QString>> KeyStore::awaitKey()
{
    const QPointer<KeyStore> self(this);
    startLoading();
    if (!m_loaded)
        co_await qCoro(this, &KeyStore::loaded);
    if (!self)
        co_return std::nullopt;
    // A copy: QCoro moves from an lvalue given to co_return, which would empty the member.
    co_return std::optional<QString>(m_key);
}

QCoro::Task<> KeyStore::waitUntilLoaded(QPointer<KeyStore> store)
{
    if (!store)
        co_return;
    co_await store->awaitKey();
}

QCoro::Task<bool> KeyStore::write(QString text)
{
    QPointer<KeyStore> self(this);
    const QByteArray data = text.toUtf8();
    if (!m_secrets)
        co_return false;
    const bool updated = co_await m_secrets->update(account, data);
    if (!self || !m_secrets)
        co_return false;
    if (updated)
        co_return true;
    co_return co_await m_secrets->add(account, data);
}

QCoro::Task<bool> KeyStore::setGroqAPIKey(std::optional<QString> value)
{
    QPointer<KeyStore> self(this);
    m_lastFailure.clear();
    const QString trimmed = value ? value->trimmed() : QString();
    if (!trimmed.isEmpty()) {
        const bool written = co_await write(trimmed);
        if (!self)
            co_return false;
        if (!written) {
            // A refused write (a cancelled unlock prompt, a broken service) changes nothing: the
            // key the user had stays in the keyring and in memory.
            m_lastFailure = failureReason();
            Log::line(QStringLiteral("KeyStore: keychain write failed; key not saved"));
            co_return false;
        }
        m_settings.remove(SettingsKeys::groqAPIKey);
        m_fromEnvironment = false;
        setCachedKey(trimmed);
        co_return true;
    }
    bool removed = false;
    if (m_secrets)
        removed = co_await m_secrets->remove(account);
    if (!self)
        co_return false;
    if (!removed)
        m_lastFailure = failureReason();
    m_settings.remove(SettingsKeys::groqAPIKey);
    m_fromEnvironment = false;
    setCachedKey(std::nullopt);
    co_return removed;
}

QCoro::Task<std::optional<QString>> KeyStore::migrateFromDefaultsIfNeeded()
{
    QPointer<KeyStore> self(this);
    const auto stored = m_settings.stored(SettingsKeys::groqAPIKey);
    if (!stored)
        co_return std::nullopt;
    const QString trimmed = stored->trimmed();
    if (trimmed.isEmpty())
        co_return std::nullopt;

    const bool written = co_await write(trimmed);
    if (!self)
        co_return trimmed;
    bool verified = false;
    if (written) {
        SecretStore::ReadResult readBack;
        if (m_secrets)
            readBack = co_await m_secrets->read(account);
        if (!self)
            co_return trimmed;
        verified = readBack.status == SecretStore::Status::Ok && decodeKey(readBack.data) == trimmed;
    }
    if (verified) {
        m_settings.remove(SettingsKeys::groqAPIKey);
        m_fromEnvironment = false;
        setCachedKey(trimmed);
    } else {
        Log::line(QStringLiteral("KeyStore: keychain migration failed; leaving the existing key in place"));
    }
    co_return trimmed;
}

QString KeyStore::failureReason() const
{
    const QString reason = m_secrets ? m_secrets->lastFailure().trimmed() : QString();
    return reason.isEmpty() ? QStringLiteral("The keyring gave no reason.") : reason;
}

void KeyStore::setCachedKey(std::optional<QString> key)
{
    if (key == m_key)
        return;
    m_key = std::move(key);
    emit keyChanged();
}

std::function<std::optional<QString>()> KeyStore::keyProvider() const
{
    return [store = QPointer<const KeyStore>(this)]() -> std::optional<QString> {
        return store ? store->groqAPIKey() : std::nullopt;
    };
}

std::function<QCoro::Task<>()> KeyStore::keyLoader()
{
    return [store = QPointer<KeyStore>(this)] { return waitUntilLoaded(store); };
}
