#pragma once

#include <QList>
#include <QString>

class CharacterStore;
class PetAnimationMapStore;
class PetLibrary;
class SettingsStore;
struct PetPackage;

// First names and characters for pets that have none yet. Seeding only fills in: a name or
// personality the user (or an earlier seed) gave is never overwritten.
namespace PetSeeding {

// The built-in pet's row names and character, once per settings file.
void seedBundledPetDefaults(
    SettingsStore &settings, const PetLibrary &library, PetAnimationMapStore &maps, CharacterStore &characters);
// A character from the manifest's display name and description.
void seedCharacterFromManifest(const PetPackage &package, CharacterStore &characters);
// The built-in pet's row names for the rows this pet fills.
void seedAnimationNames(const PetPackage &package, const QList<qint64> &filledRows, PetAnimationMapStore &maps);

}
