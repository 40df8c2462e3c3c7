#pragma once

#include "foundation/Result.h"
#include "pets/ImportLimits.h"
#include "pets/PetPackage.h"
#include "pets/PetPackageError.h"
#include "pets/PetValidator.h"

#include <QString>
#include <QStringList>

#include <optional>

// Copies, unpacks and removes pet packages in a library folder. It holds nothing but its folders
// and limits, so a copy of it may work on a worker thread while the library stays on the main
// thread. Each step works in a locked staging folder (StagingFolder) that is moved into place
// only once it is complete.
class PackageImporter {
public:
    PackageImporter(QString root, QString workFolderParent, ImportLimits limits);

    // A manifest id names a folder of the root: one non-empty path component.
    static bool isFolderName(const QString &id);

    // Copies a package into the root as root/<id>, replacing an installed pet with the same id.
    // The copy is made beside the installed pets and moved into place only once it validates, so
    // a failed import leaves the installed pet untouched. Links and special files are not copied.
    // Importing the library's own copy of a pet returns it unchanged.
    Result<PetPackage, PetPackageError> importFolder(const QString &folderPath) const;

    // Unpacks a .zip into a fresh work folder and imports the package in it: the single folder
    // the zip holds, otherwise the zip's top level. A zip that cannot be read or breaks the rules
    // of ZipExtractor fails with archiveRefused, whose sentence says why. The work folder is
    // always removed.
    Result<PetPackage, PetPackageError> importZip(const QString &zipPath) const;

    // Removes a pet: root/<id> when it exists, else the package's folder when that is a folder of
    // the root. Anything else, the root itself included, is refused with notInLibrary.
    std::optional<PetPackageError> deletePet(const PetPackage &package) const;

    // Removes the staging folders of imports, replacements and deletes that died half-way: hidden
    // ".tam-" folders in the root and "tam-import-" folders in the work folder's parent, unless a
    // running instance still holds them. Returns the folders removed.
    QStringList removeStaleStaging() const;

private:
    QString m_root;
    QString m_workFolderParent;
    ImportLimits m_limits;
    PetValidator m_validator;
};
