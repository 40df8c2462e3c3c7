#pragma once

#include "pets/PetPackage.h"

#include <QString>

#include <optional>

// What the import and delete flows need from the coordinator.
class PetLibraryFlowsHost {
public:
    virtual ~PetLibraryFlowsHost() = default;

    virtual void loadPet(const PetPackage &package) = 0;
    virtual void teardownCurrentPet() = 0;
    // The manifest id of the pet on screen, if any.
    virtual std::optional<QString> activePetID() const = 0;
    virtual void rebuildMainMenu() = 0;
    // The character's name for a pet (untrimmed; empty when it has none).
    virtual QString characterName(const QString &petID) const = 0;
    // Drops a decoded atlas from the image cache after its pet was deleted.
    virtual void evictAtlasImage(const QString &atlasPath) = 0;
};
