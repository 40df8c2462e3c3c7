#pragma once

#include "foundation/Result.h"
#include "userdata/PetCharacter.h"
#include "userdata/StoredDocument.h"

#include <QMap>
#include <QObject>
#include <QString>

class SettingsStore;

// Every pet's character, by pet identifier, kept in the settings under "tam.characters" as one
// compact JSON object: {"<pet id>": {"name": "...", "personality": "...", "tone": "dry",
// "listeningAnimationRow": 3}}. Loads once when created and rewrites the whole document on every
// change. What cannot be decoded is logged and kept aside before anything overwrites it
// (StoredDocument); a seeded character is then kept in memory only, so that a value nothing could be
// read of stays as it was until the user changes a character. Main thread only.
class CharacterStore : public QObject {
    Q_OBJECT

public:
    using Characters = QMap<QString, PetCharacter>;

    explicit CharacterStore(SettingsStore &settings, QObject *parent = nullptr);

    // The pet's stored character, else the default one. Never adds an entry.
    PetCharacter character(const QString &petID) const;
    // Adds or replaces the pet's character and writes the store. Characters are never removed,
    // not even when their pet is deleted.
    void setCharacter(const QString &petID, const PetCharacter &character);
    // A character the program made up (from a manifest, or the built-in pet's): like setCharacter,
    // but not written over a stored value that could not be read at all.
    void seedCharacter(const QString &petID, const PetCharacter &character);
    const Characters &characters() const { return m_characters; }

    // The stored form, read pet by pet: a malformed character is skipped with a sentence saying why;
    // only a value that is not a JSON object fails as a whole.
    static Result<StoredJson::Decoded<Characters>, QString> decode(const QByteArray &data);
    static QByteArray encode(const Characters &characters);

signals:
    void charactersChanged();

private:
    void load();
    void persist();

    StoredDocument m_document;
    Characters m_characters;
};
