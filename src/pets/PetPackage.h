#pragma once

#include "pets/PetManifest.h"

#include <QHashFunctions>
#include <QString>

// One pet package: its manifest and the folder it was read from. Identified by manifest.id; two
// packages are equal when their ids and folders are equal.
struct PetPackage {
    PetManifest manifest;
    QString folderPath;

    QString id() const { return manifest.id; }

    friend bool operator==(const PetPackage &a, const PetPackage &b)
    {
        return a.manifest.id == b.manifest.id && a.folderPath == b.folderPath;
    }
};

inline size_t qHash(const PetPackage &package, size_t seed = 0)
{
    return qHashMulti(seed, package.manifest.id, package.folderPath);
}
