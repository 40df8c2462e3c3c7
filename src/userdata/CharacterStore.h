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
// change. A stored document that cannot be decoded is logged and ignored: the store starts empty
// and its next write replaces it. Main thread only.
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
    const Characters &characters() const { return m_characters; }

    // The stored form. Decoding fails as a whole on any malformed part, with a sentence saying why.
    static Result<Characters, QString> decode(const QByteArray &data);
    static QByteArray encode(const Characters &characters);

signals:
    void charactersChanged();

private:
    void load();
    void persist();

    StoredDocument m_document;
    Characters m_characters;
};
