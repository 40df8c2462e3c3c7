#include "pets/PetPackageError.h"

PetPackageError::Kind PetPackageError::kind() const
{
    if (std::holds_alternative<PetValidationError>(m_data))
        return Kind::Validation;
    if (std::holds_alternative<PetManifestError>(m_data))
        return Kind::Manifest;
    return std::get<Other>(m_data).kind;
}

std::optional<PetValidationError> PetPackageError::validationError() const
{
    if (const auto *error = std::get_if<PetValidationError>(&m_data))
        return *error;
    return std::nullopt;
}

std::optional<PetManifestError> PetPackageError::manifestError() const
{
    if (const auto *error = std::get_if<PetManifestError>(&m_data))
        return *error;
    return std::nullopt;
}

QString PetPackageError::description() const
{
    if (const auto *error = std::get_if<PetValidationError>(&m_data))
        return error->description();
    if (const auto *error = std::get_if<PetManifestError>(&m_data))
        return error->description();
    const Other &other = std::get<Other>(m_data);
    switch (other.kind) {
    case Kind::InvalidIdentifier:
        return QStringLiteral(
            "The id in pet.json has no letters or digits, so this pet can't be added to the library.");
    case Kind::NotInLibrary: return QStringLiteral("This pet is not in the library, so it can't be deleted from it.");
    case Kind::TooLarge: return QStringLiteral("This pet package is too large to import.");
    case Kind::FileOperation:
    case Kind::ArchiveRefused: return other.sentence;
    case Kind::Validation:
    case Kind::Manifest: break;
    }
    return {};
}
