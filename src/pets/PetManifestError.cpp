#include "pets/PetManifestError.h"

QString PetManifestError::description() const
{
    switch (m_kind) {
    case Kind::InvalidJSON: return QStringLiteral("pet.json could not be parsed: ") + m_detail;
    case Kind::MissingRequiredField:
        return QStringLiteral("pet.json is missing the required field \"") + m_detail + QStringLiteral("\".");
    case Kind::FileMissing: return QStringLiteral("This folder does not contain pet.json.");
    }
    return {};
}
