#pragma once

#include "pets/PetManifestError.h"
#include "pets/PetValidationError.h"

#include <QString>

#include <optional>
#include <variant>

// Why a package could not be validated, imported or deleted: a validation error, a manifest error,
// or a failure of the library itself. description() is a finished sentence for an alert.
class PetPackageError {
public:
    enum class Kind {
        Validation, // validationError() holds the case
        Manifest, // manifestError() holds the case
        InvalidIdentifier, // the manifest id has no letters or digits
        NotInLibrary, // delete was asked for a folder outside the library
        TooLarge, // a folder exceeds the import limits
        FileOperation, // copying, moving or removing failed; the description says what
        ArchiveRefused, // a zip could not be unpacked; the description says why
    };

    explicit PetPackageError(PetValidationError error)
        : m_data(error)
    {
    }
    explicit PetPackageError(PetManifestError error)
        : m_data(std::move(error))
    {
    }
    static PetPackageError invalidIdentifier() { return PetPackageError(Kind::InvalidIdentifier, {}); }
    static PetPackageError notInLibrary() { return PetPackageError(Kind::NotInLibrary, {}); }
    static PetPackageError tooLarge() { return PetPackageError(Kind::TooLarge, {}); }
    static PetPackageError fileOperation(const QString &sentence)
    {
        return PetPackageError(Kind::FileOperation, sentence);
    }
    static PetPackageError archiveRefused(const QString &sentence)
    {
        return PetPackageError(Kind::ArchiveRefused, sentence);
    }

    Kind kind() const;
    std::optional<PetValidationError> validationError() const;
    std::optional<PetManifestError> manifestError() const;
    QString description() const;

private:
    struct Other {
        Kind kind;
        QString sentence;
    };

    PetPackageError(Kind kind, const QString &sentence)
        : m_data(Other { kind, sentence })
    {
    }

    std::variant<PetValidationError, PetManifestError, Other> m_data;
};
