#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

// Who a pet is: the name it answers to, a personality sketch, a tone of voice and the atlas row it
// holds while the Ask prompt listens. A pet with nothing stored has the default value of this type.
struct PetCharacter {
    // In the order offered to the user.
    enum class Tone { Playful, Dry, Encouraging, Snarky, Chill, Dramatic, Curious };

    static QList<Tone> allTones();
    // The lower-case word that is stored ("playful").
    static QString storedValue(Tone tone);
    // The word as shown to the user ("Playful").
    static QString displayTitle(Tone tone);
    // Exact, case-sensitive match of a stored value; absent for anything else.
    static std::optional<Tone> toneFromStoredValue(const QString &value);

    QString name;
    QString personality;
    Tone tone = Tone::Playful;
    std::optional<qint64> listeningAnimationRow;

    // The persona text that opens every language-model request made on the pet's behalf.
    QString systemPrompt() const;

    friend bool operator==(const PetCharacter &, const PetCharacter &) = default;
};

inline size_t qHash(const PetCharacter &character, size_t seed = 0)
{
    return qHashMulti(seed, character.name, character.personality, static_cast<int>(character.tone),
        character.listeningAnimationRow.has_value(), character.listeningAnimationRow.value_or(0));
}
