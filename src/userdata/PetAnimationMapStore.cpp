#include "userdata/PetAnimationMapStore.h"

#include "foundation/StoredJson.h"
#include "foundation/TextParsing.h"
#include "foundation/TextTrim.h"
#include "settings/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kName = QStringLiteral("name");
const QString kChatter = QStringLiteral("chatter");

QString rowDescription(const QString &petID, const QString &rowKey)
{
    return QStringLiteral("row %1 of pet %2").arg(StoredJson::quoted(rowKey), StoredJson::quoted(petID));
}

// Both members are required and must have their exact types; other members are ignored.
Result<AnimationMapping, QString> decodeMapping(const QString &petID, const QString &rowKey, const QJsonValue &value)
{
    if (!value.isObject())
        return QStringLiteral("The mapping of %1 is not a JSON object.").arg(rowDescription(petID, rowKey));
    const QJsonObject object = value.toObject();
    AnimationMapping mapping;

    const QJsonValue name = object.value(kName);
    if (!name.isString())
        return QStringLiteral("The \"name\" of %1 is missing or not a string.").arg(rowDescription(petID, rowKey));
    mapping.name = name.toString();

    const QJsonValue chatter = object.value(kChatter);
    if (!chatter.isArray()) {
        return QStringLiteral("The \"chatter\" of %1 is missing or not a list.").arg(rowDescription(petID, rowKey));
    }
    const QJsonArray lines = chatter.toArray();
    mapping.chatter.reserve(lines.size());
    for (const QJsonValue &line : lines) {
        if (!line.isString()) {
            return QStringLiteral("The \"chatter\" of %1 holds something other than text.")
                .arg(rowDescription(petID, rowKey));
        }
        mapping.chatter.append(line.toString());
    }
    return mapping;
}

QJsonObject encodeMapping(const AnimationMapping &mapping)
{
    return QJsonObject {
        { kName, mapping.name },
        { kChatter, QJsonArray::fromStringList(mapping.chatter) },
    };
}

}

PetAnimationMapStore::PetAnimationMapStore(SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_document(settings, SettingsKeys::animationMaps, QStringLiteral("PetAnimationMapStore"))
{
    load();
}

AnimationMapping PetAnimationMapStore::mapping(const QString &petID, qint64 row) const
{
    const auto pet = m_maps.constFind(petID);
    if (pet == m_maps.constEnd())
        return {};
    return pet->value(row);
}

QStringList PetAnimationMapStore::chatter(const QString &petID, qint64 row) const
{
    return mapping(petID, row).chatter;
}

void PetAnimationMapStore::setMapping(const QString &petID, qint64 row, const AnimationMapping &mapping)
{
    RowMap rows = m_maps.value(petID);
    if (mapping.isEmpty())
        rows.remove(row);
    else
        rows.insert(row, mapping);
    if (rows.isEmpty())
        m_maps.remove(petID);
    else
        m_maps.insert(petID, rows);
    persist();
    emit mapsChanged();
}

void PetAnimationMapStore::seedNames(const QString &petID, const QMap<qint64, QString> &names)
{
    RowMap rows = m_maps.value(petID);
    bool changed = false;
    for (auto it = names.begin(); it != names.end(); ++it) {
        const auto existing = rows.constFind(it.key());
        if (existing != rows.constEnd() && !TextTrim::isBlank(existing->name))
            continue;
        // The seeded name goes in as given, even when it is empty: seeding then leaves an empty
        // mapping behind, which reads the same as no mapping.
        const QStringList chatter = existing != rows.constEnd() ? existing->chatter : QStringList();
        rows.insert(it.key(), AnimationMapping { it.value(), chatter });
        changed = true;
    }
    if (!changed)
        return;
    m_maps.insert(petID, rows);
    // Seeding comes with every launch; it must not replace a stored value nothing could be read of.
    if (!m_document.isUnreadable())
        persist();
    emit mapsChanged();
}

Result<StoredJson::Decoded<PetAnimationMapStore::Maps>, QString> PetAnimationMapStore::decode(const QByteArray &data)
{
    const auto root = StoredJson::parseObject(data);
    if (!root)
        return root.error();
    StoredJson::Decoded<Maps> decoded;
    const QJsonObject &pets = root.value();
    for (auto pet = pets.begin(); pet != pets.end(); ++pet) {
        if (!pet.value().isObject()) {
            decoded.skipped.append(
                QStringLiteral("The rows of pet %1 are not a JSON object.").arg(StoredJson::quoted(pet.key())));
            continue;
        }
        const QJsonObject rowObjects = pet.value().toObject();
        RowMap rows;
        for (auto row = rowObjects.begin(); row != rowObjects.end(); ++row) {
            auto mapping = decodeMapping(pet.key(), row.key(), row.value());
            const auto number = TextParsing::strictInteger(row.key());
            if (!mapping)
                decoded.skipped.append(mapping.error());
            else if (!number)
                decoded.skipped.append(
                    QStringLiteral("The key of %1 is not a row number.").arg(rowDescription(pet.key(), row.key())));
            else // of two keys for the same row ("3" and "+3") the later one wins
                rows.insert(*number, std::move(mapping).value());
        }
        if (!rows.isEmpty())
            decoded.records.insert(pet.key(), rows);
    }
    return decoded;
}

QByteArray PetAnimationMapStore::encode(const Maps &maps)
{
    QJsonObject pets;
    for (auto pet = maps.begin(); pet != maps.end(); ++pet) {
        QJsonObject rows;
        for (auto row = pet->begin(); row != pet->end(); ++row)
            rows.insert(QString::number(row.key()), encodeMapping(row.value()));
        pets.insert(pet.key(), rows);
    }
    return StoredJson::compact(pets);
}

void PetAnimationMapStore::load()
{
    m_maps = m_document.load(decode);
}

void PetAnimationMapStore::persist()
{
    // Qt's JSON writer cannot fail on strings, numbers and objects, so there is no encode failure
    // to log here.
    m_document.write(encode(m_maps));
}
