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
        reportUnreadable(QStringLiteral("The stored value is not JSON data."));
    return data;
}

void StoredDocument::write(const QByteArray &data)
{
    m_settings.setValue(m_key, data);
    m_unreadable = false;
}

void StoredDocument::reportUnreadable(const QString &error)
{
    m_unreadable = true;
    Log::line(m_storeName + QStringLiteral(" decode failed: ") + error + keepAside());
}

void StoredDocument::reportSkipped(const QStringList &skipped)
{
    if (skipped.isEmpty())
        return;
    // One line however many records failed: a broken hand edit can hold thousands.
    QString line = m_storeName + QStringLiteral(" decode failed: ") + skipped.first();
    if (skipped.size() > 1)
        line += QStringLiteral(" %1 more records could not be read either.").arg(skipped.size() - 1);
    Log::line(line + QStringLiteral(" The others were loaded.") + keepAside());
}

QString StoredDocument::keepAside()
{
    const QString aside = m_settings.keepAside(m_key.name);
    if (aside.isEmpty())
        return QStringLiteral(" The stored value could not be kept aside.");
    return QStringLiteral(" The stored value is kept under \"%1\".").arg(aside);
}

void StoredDocument::reportEncodeFailure(const QString &error) const
{
    Log::line(m_storeName + QStringLiteral(" encode failed: ") + error);
}
