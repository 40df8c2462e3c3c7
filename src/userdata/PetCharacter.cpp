#include "userdata/PetCharacter.h"

#include "foundation/TextTrim.h"

#include <QStringList>

QList<PetCharacter::Tone> PetCharacter::allTones()
{
    return { Tone::Playful, Tone::Dry, Tone::Encouraging, Tone::Snarky, Tone::Chill, Tone::Dramatic, Tone::Curious };
}

QString PetCharacter::storedValue(Tone tone)
{
    switch (tone) {
    case Tone::Playful: return QStringLiteral("playful");
    case Tone::Dry: return QStringLiteral("dry");
    case Tone::Encouraging: return QStringLiteral("encouraging");
    case Tone::Snarky: return QStringLiteral("snarky");
    case Tone::Chill: return QStringLiteral("chill");
    case Tone::Dramatic: return QStringLiteral("dramatic");
    case Tone::Curious: return QStringLiteral("curious");
    }
    return QStringLiteral("playful");
}

QString PetCharacter::displayTitle(Tone tone)
{
    QString title = storedValue(tone);
    title[0] = title.at(0).toUpper();
    return title;
}

std::optional<PetCharacter::Tone> PetCharacter::toneFromStoredValue(const QString &value)
{
    for (const Tone tone : allTones()) {
        if (storedValue(tone) == value)
            return tone;
    }
    return std::nullopt;
}

QString PetCharacter::systemPrompt() const
{
    QStringList sentences;
    const QString trimmedName = TextTrim::spacesAndTabs(name);
    if (trimmedName.isEmpty())
        sentences.append(QStringLiteral("You are a small desktop pet."));
    else
        sentences.append(QStringLiteral("You are ") + trimmedName + QStringLiteral(", a small desktop pet."));

    // The personality goes in as the user wrote it; it may or may not end with a full stop.
    const QString trimmedPersonality = TextTrim::spacesAndTabs(personality);
    if (!trimmedPersonality.isEmpty())
        sentences.append(QStringLiteral("Personality: ") + trimmedPersonality);

    sentences.append(QStringLiteral("Tone: ") + displayTitle(tone).toLower() + QLatin1Char('.'));
    sentences.append(QStringLiteral("Speak in short, natural lines."));
    sentences.append(QStringLiteral("Always use proper sentence casing \u2014 capitalize the first word and proper "
                                    "nouns, and end with normal punctuation. Never write in all lowercase, even if "
                                    "the user does."));
    sentences.append(QStringLiteral("Never break character."));
    return sentences.join(QLatin1Char(' '));
}
