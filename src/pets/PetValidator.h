#pragma once

#include "foundation/Result.h"
#include "pets/PetPackage.h"
#include "pets/PetPackageError.h"

#include <QString>

// Decides whether a folder is a usable pet package: it holds a parsable pet.json and an atlas
// image that the decoder accepts and that holds at least one whole cell. Stateless.
class PetValidator {
public:
    // pet.json files larger than this are refused before parsing.
    static constexpr qint64 maxManifestBytes = 1024 * 1024;

    // The package read from folderPath, or why the folder is not one: a PetValidationError
    // (unreachableLocation, missingManifest, missingSpritesheet, spritesheetUnreadable,
    // cellOutsideAtlas) or a
    // PetManifestError (invalidJSON, fileMissing). The atlas is the manifest's spritesheet file,
    // else "spritesheet.webp" beside it; in the latter case the manifest still names the missing
    // file. Neither pet.json nor the atlas may be a link to somewhere outside the folder.
    Result<PetPackage, PetPackageError> validateFolder(const QString &folderPath) const;
};
