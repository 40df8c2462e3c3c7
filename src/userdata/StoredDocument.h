#pragma once

#include "foundation/Result.h"
#include "foundation/StoredJson.h"
#include "settings/SettingsKey.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

class SettingsStore;

// The one JSON value a store keeps under its settings key: read once when the store is created,
// rewritten whole on every change. Failures are logged as "<store> decode failed: <why>".
//
// A value the store cannot read in full, whether some records or the whole of it, is copied to
// "<key>.unreadable" (SettingsStore::keepAside) as soon as it is read, so that no later write of
// the store destroys what the user had.
class StoredDocument {
public:
    StoredDocument(SettingsStore &settings, const SettingsKey<QByteArray> &key, QString storeName);

    // The stored value decoded by `decode`, a function of the bytes giving either the decoded
    // records or, when the value cannot be read at all, a sentence. Records that did not decode
    // are left out. Nothing stored, or nothing readable, gives empty records.
    template<typename Decode> auto load(Decode decode) -> decltype(decode(QByteArray()).value().records)
    {
        const auto data = read();
        if (!data)
            return {};
        auto decoded = decode(*data);
        if (!decoded) {
            reportUnreadable(decoded.error());
            return {};
        }
        reportSkipped(decoded.value().skipped);
        return std::move(decoded).value().records;
    }

    // True from a load that found a value but could read nothing of it until the next write.
    // Changes the user did not ask for (seeding) are then kept in memory only.
    bool isUnreadable() const { return m_unreadable; }

    void write(const QByteArray &data);
    void reportEncodeFailure(const QString &error) const;

private:
    std::optional<QByteArray> read();
    void reportUnreadable(const QString &error);
    void reportSkipped(const QStringList &skipped);
    // " The stored value is kept under ..." for the log line.
    QString keepAside();

    SettingsStore &m_settings;
    SettingsKey<QByteArray> m_key;
    QString m_storeName;
    bool m_unreadable = false;
};
