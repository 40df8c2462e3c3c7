#include "userdata/PetSeeding.h"

#include "foundation/TextTrim.h"
#include "pets/PetLibrary.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"

#include <QMap>

namespace PetSeeding {

namespace {
const QString kBundledPetPersonality = QStringLiteral(
    "A tiny cream chibi cat who keeps you company while you work. Curious and good-natured, easily delighted by "
    "small wins, and quick with a gentle word of encouragement when things get tough. Loves cozy, calm workspaces "
    "and the occasional little victory dance.");
}

void seedBundledPetDefaults(
    SettingsStore &settings, const PetLibrary &library, PetAnimationMapStore &maps, CharacterStore &characters)
{
    if (settings.value(SettingsKeys::bundledPetDefaultsSeeded))
        return;
    const auto bundledID = library.bundledPetID();
    if (!bundledID)
        return; // try again next launch
    QMap<qint64, QString> names;
    const QStringList defaults = PetLibrary::bundledPetDefaultNames();
    for (qsizetype row = 0; row < defaults.size(); ++row)
        names.insert(row, defaults.at(row));
    maps.seedNames(*bundledID, names);

    const PetCharacter existing = characters.character(*bundledID);
    if (TextTrim::spacesAndTabs(existing.personality).isEmpty()) {
        PetCharacter seeded;
        seeded.name = QStringLiteral("Tamsel");
        seeded.personality = kBundledPetPersonality;
        seeded.tone = PetCharacter::Tone::Playful;
        characters.seedCharacter(*bundledID, seeded);
    }
    settings.setValue(SettingsKeys::bundledPetDefaultsSeeded, true);
}

void seedCharacterFromManifest(const PetPackage &package, CharacterStore &characters)
{
    const PetCharacter existing = characters.character(package.id());
    const QString name = existing.name.isEmpty() ? package.manifest.displayName.trimmed() : existing.name;
    const QString personality = package.manifest.description.value_or(QString()).trimmed();
    if (name.isEmpty() && personality.isEmpty())
        return;
    if (!TextTrim::spacesAndTabs(existing.personality).isEmpty())
        return;
    PetCharacter seeded = existing;
    seeded.name = name;
    seeded.personality = personality;
    characters.seedCharacter(package.id(), seeded);
}

void seedAnimationNames(const PetPackage &package, const QList<qint64> &filledRows, PetAnimationMapStore &maps)
{
    const QStringList defaults = PetLibrary::bundledPetDefaultNames();
    QMap<qint64, QString> names;
    for (qint64 row : filledRows) {
        if (row >= 0 && row < defaults.size())
            names.insert(row, defaults.at(row));
    }
    if (!names.isEmpty())
        maps.seedNames(package.id(), names);
}

}
