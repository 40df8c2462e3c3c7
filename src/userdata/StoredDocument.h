#pragma once

#include "foundation/Result.h"
#include "settings/SettingsKey.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

class SettingsStore;

// The one JSON value a store keeps under its settings key: read once when the store is created,
// rewritten whole on every change. Failures are logged as "<store> decode failed: <why>".
class StoredDocument {
public:
    StoredDocument(SettingsStore &settings, const SettingsKey<QByteArray> &key, QString storeName);

    // The stored value decoded by `decode` (a function of the bytes giving a Result of the records
    // or a sentence). Nothing stored, or nothing usable, gives empty records.
    template<typename Decode> auto load(Decode decode) -> std::decay_t<decltype(decode(QByteArray()).value())>
    {
        const auto data = read();
        if (!data)
            return {};
        auto decoded = decode(*data);
        if (!decoded) {
            reportDecodeFailure(decoded.error());
            return {};
        }
        return std::move(decoded).value();
    }

    void write(const QByteArray &data);
    void reportEncodeFailure(const QString &error) const;

private:
    std::optional<QByteArray> read();
    void reportDecodeFailure(const QString &error);

    SettingsStore &m_settings;
    SettingsKey<QByteArray> m_key;
    QString m_storeName;
};
