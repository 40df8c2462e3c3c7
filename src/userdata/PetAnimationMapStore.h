#pragma once

#include "foundation/Result.h"
#include "userdata/AnimationMapping.h"
#include "userdata/StoredDocument.h"

#include <QMap>
#include <QObject>
#include <QString>

class SettingsStore;

// Every pet's row names and chatter, by pet identifier and 0-based atlas row, kept in the settings
// under "tam.animationMaps" as one compact JSON object: {"<pet id>": {"<row>": {"name": "...",
// "chatter": ["...", ...]}}}, rows written in decimal. Loads once when created and rewrites the
// whole document on every change. What cannot be decoded is logged and kept aside before anything
// overwrites it (StoredDocument). Main thread only.
//
// Apart from what seedNames() adds, no stored mapping is empty and no pet has an empty row map.
class PetAnimationMapStore : public QObject {
    Q_OBJECT

public:
    using RowMap = QMap<qint64, AnimationMapping>;
    using Maps = QMap<QString, RowMap>;

    explicit PetAnimationMapStore(SettingsStore &settings, QObject *parent = nullptr);

    // The stored mapping, else an empty one.
    AnimationMapping mapping(const QString &petID, qint64 row) const;
    // The row's chatter lines (empty when the row has no mapping).
    QStringList chatter(const QString &petID, qint64 row) const;
    // Stores the mapping as given, or removes the row when the mapping is empty (and the pet when
    // that was its last row). Always writes the store, even when nothing changed.
    void setMapping(const QString &petID, qint64 row, const AnimationMapping &mapping);
    // Default names for rows (row -> name): a row whose name is blank or that has no mapping takes
    // the given name and keeps its chatter; a row the user named is left alone. Writes only when
    // some row took a name, and not while the stored value is unreadable.
    void seedNames(const QString &petID, const QMap<qint64, QString> &names);
    const Maps &maps() const { return m_maps; }

    // The stored form, read row by row: a malformed mapping, a row key that is not a decimal
    // number, or a pet whose rows are not an object is skipped with a sentence saying why; a pet
    // left without rows is dropped. Only a value that is not a JSON object fails as a whole.
    static Result<StoredJson::Decoded<Maps>, QString> decode(const QByteArray &data);
    static QByteArray encode(const Maps &maps);

signals:
    void mapsChanged();

private:
    void load();
    void persist();

    StoredDocument m_document;
    Maps m_maps;
};
