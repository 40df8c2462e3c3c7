#include "userdata/CharacterStore.h"

#include "foundation/StoredJson.h"
#include "settings/SettingsKeys.h"

#include <QJsonObject>

namespace {

const QString kName = QStringLiteral("name");
const QString kPersonality = QStringLiteral("personality");
const QString kTone = QStringLiteral("tone");
const QString kListeningRow = QStringLiteral("listeningAnimationRow");

QString memberError(const QString &member, const QString &petID, const QString &expected)
{
    return QStringLiteral("The \"%1\" of pet %2 is not %3.").arg(member, StoredJson::quoted(petID), expected);
}

// Every member is optional; null counts as missing. A present value of the wrong type, or a tone
// word that is not one of the stored values (matched exactly, so "Playful" fails), is an error.
Result<PetCharacter, QString> decodeCharacter(const QString &petID, const QJsonValue &value)
{
    if (!value.isObject())
        return QStringLiteral("The character of pet %1 is not a JSON object.").arg(StoredJson::quoted(petID));
    const QJsonObject object = value.toObject();
    PetCharacter character;

    const QJsonValue name = object.value(kName);
    if (name.isString())
        character.name = name.toString();
    else if (!name.isUndefined() && !name.isNull())
        return memberError(kName, petID, QStringLiteral("a string"));

    const QJsonValue personality = object.value(kPersonality);
    if (personality.isString())
        character.personality = personality.toString();
    else if (!personality.isUndefined() && !personality.isNull())
        return memberError(kPersonality, petID, QStringLiteral("a string"));

    const QJsonValue tone = object.value(kTone);
    if (tone.isString()) {
        const auto parsed = PetCharacter::toneFromStoredValue(tone.toString());
        if (!parsed) {
            return QStringLiteral("The \"tone\" of pet %1 is %2, which is not a known tone.")
                .arg(StoredJson::quoted(petID), StoredJson::quoted(tone.toString()));
        }
        character.tone = *parsed;
    } else if (!tone.isUndefined() && !tone.isNull()) {
        return memberError(kTone, petID, QStringLiteral("a string"));
    }

    const QJsonValue row = object.value(kListeningRow);
    if (!row.isUndefined() && !row.isNull()) {
        character.listeningAnimationRow = StoredJson::exactInteger(row);
        if (!character.listeningAnimationRow)
            return memberError(kListeningRow, petID, QStringLiteral("a whole number"));
    }
    return character;
}

QJsonObject encodeCharacter(const PetCharacter &character)
{
    QJsonObject object {
        { kName, character.name },
        { kPersonality, character.personality },
        { kTone, PetCharacter::storedValue(character.tone) },
    };
    if (character.listeningAnimationRow)
        object.insert(kListeningRow, QJsonValue(*character.listeningAnimationRow));
    return object;
}

}

CharacterStore::CharacterStore(SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_document(settings, SettingsKeys::characters, QStringLiteral("CharacterStore"))
{
    load();
}

PetCharacter CharacterStore::character(const QString &petID) const
{
    return m_characters.value(petID);
}

void CharacterStore::setCharacter(const QString &petID, const PetCharacter &character)
{
    m_characters.insert(petID, character);
    persist();
    emit charactersChanged();
}

void CharacterStore::seedCharacter(const QString &petID, const PetCharacter &character)
{
    m_characters.insert(petID, character);
    if (!m_document.isUnreadable())
        persist();
    emit charactersChanged();
}

Result<StoredJson::Decoded<CharacterStore::Characters>, QString> CharacterStore::decode(const QByteArray &data)
{
    const auto root = StoredJson::parseObject(data);
    if (!root)
        return root.error();
    StoredJson::Decoded<Characters> decoded;
    const QJsonObject &object = root.value();
    for (auto it = object.begin(); it != object.end(); ++it) {
        auto character = decodeCharacter(it.key(), it.value());
        if (character)
            decoded.records.insert(it.key(), std::move(character).value());
        else
            decoded.skipped.append(character.error());
    }
    return decoded;
}

QByteArray CharacterStore::encode(const Characters &characters)
{
    QJsonObject object;
    for (auto it = characters.begin(); it != characters.end(); ++it)
        object.insert(it.key(), encodeCharacter(it.value()));
    return StoredJson::compact(object);
}

void CharacterStore::load()
{
    m_characters = m_document.load(decode);
}

void CharacterStore::persist()
{
    // Qt's JSON writer cannot fail on strings, numbers and objects (unpaired surrogates are
    // written as \u escapes and read back unchanged), so unlike decoding there is no failure to log.
    m_document.write(encode(m_characters));
}
