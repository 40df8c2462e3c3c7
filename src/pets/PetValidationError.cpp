#include "pets/PetValidationError.h"

QString PetValidationError::description() const
{
    switch (m_kind) {
    case Kind::MissingManifest: return QStringLiteral("This folder does not contain pet.json.");
    case Kind::MissingSpritesheet: return QStringLiteral("This folder does not contain spritesheet.webp.");
    case Kind::SpritesheetUnreadable:
        return QStringLiteral(
            "spritesheet.webp could not be decoded. The file may be corrupted or use an unsupported format.");
    case Kind::NoAnimations:
        return QStringLiteral("No animation states were found. Pets need at least an idle state or a "
                              "Nimbo-compatible atlas layout.");
    case Kind::CellOutsideAtlas:
        return QStringLiteral("The frame size in pet.json does not fit in spritesheet.webp, so no frame can be shown.");
    case Kind::UnreachableLocation:
        return QStringLiteral("The selected location is no longer accessible. Try re-importing the pet package.");
    }
    return {};
}
