#pragma once

#include <QString>

// Why a folder is not a usable pet package. description() is a finished sentence for an alert.
class PetValidationError {
public:
    enum class Kind {
        MissingManifest,
        MissingSpritesheet,
        SpritesheetUnreadable,
        NoAnimations,
        UnreachableLocation,
        CellOutsideAtlas, // the manifest's cell is empty or larger than the atlas: no whole row
    };

    explicit PetValidationError(Kind kind)
        : m_kind(kind)
    {
    }

    Kind kind() const { return m_kind; }
    QString description() const;

    friend bool operator==(const PetValidationError &, const PetValidationError &) = default;

private:
    Kind m_kind;
};
