#include "userdata/StoredDocument.h"

#include "foundation/Log.h"
#include "settings/SettingsStore.h"

StoredDocument::StoredDocument(SettingsStore &settings, const SettingsKey<QByteArray> &key, QString storeName)
    : m_settings(settings)
    , m_key(key)
    , m_storeName(std::move(storeName))
{
}

std::optional<QByteArray> StoredDocument::read()
{
    auto data = m_settings.stored(m_key);
    // Something that is not data (a hand-edited list, say) is as unusable as broken JSON.
    if (!data && m_settings.contains(m_key.name))
        reportDecodeFailure(QStringLiteral("The stored value is not JSON data."));
    return data;
}

void StoredDocument::write(const QByteArray &data)
{
    m_settings.setValue(m_key, data);
}

void StoredDocument::reportDecodeFailure(const QString &error)
{
    Log::line(m_storeName + QStringLiteral(" decode failed: ") + error);
}

void StoredDocument::reportEncodeFailure(const QString &error) const
{
    Log::line(m_storeName + QStringLiteral(" encode failed: ") + error);
}
