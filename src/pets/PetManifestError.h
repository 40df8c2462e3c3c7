#pragma once

#include <QString>

// Why a pet.json could not be used. description() is a finished sentence for an alert.
class PetManifestError {
public:
    enum class Kind { InvalidJSON, MissingRequiredField, FileMissing };

    static PetManifestError invalidJSON(const QString &underlyingDescription)
    {
        return PetManifestError(Kind::InvalidJSON, underlyingDescription);
    }
    static PetManifestError missingRequiredField(const QString &field)
    {
        return PetManifestError(Kind::MissingRequiredField, field);
    }
    static PetManifestError fileMissing() { return PetManifestError(Kind::FileMissing, {}); }

    Kind kind() const { return m_kind; }
    QString detail() const { return m_detail; }
    QString description() const;

private:
    PetManifestError(Kind kind, QString detail)
        : m_kind(kind)
        , m_detail(std::move(detail))
    {
    }

    Kind m_kind;
    QString m_detail;
};
