#pragma once

#include "platform/SecretStore.h"

// Secrets in the desktop keyring over the Secret Service API (gnome-keyring, KWallet), via
// QtKeychain. Never falls back to a plain file.
class KeychainSecretStore final : public SecretStore {
    Q_OBJECT

public:
    explicit KeychainSecretStore(QString service);

    QCoro::Task<ReadResult> read(QString account) override;
    QCoro::Task<bool> update(QString account, QByteArray data) override;
    QCoro::Task<bool> add(QString account, QByteArray data) override;
    QCoro::Task<bool> remove(QString account) override;

    // Whether a secret service owns, or can be started for, its D-Bus name in this session. Asks
    // the bus without blocking.
    static QCoro::Task<bool> secretServiceAvailable();

private:
    QString m_service;
};
