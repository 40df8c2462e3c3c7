#pragma once

#include "foundation/Result.h"
#include "pets/ImportLimits.h"
#include "pets/PackageImporter.h"
#include "pets/PetPackage.h"
#include "pets/PetPackageError.h"
#include "pets/PetValidator.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QFileSystemWatcher;

// The program's own folder of installed pets: one subfolder per pet, named after its manifest id,
// holding a copy of the imported package. Lives on the main thread; imports are bounded by
// ImportLimits, and the ...InBackground forms copy and unpack on a worker thread. The listing is read once and kept
// until the library changes, through this object (import, delete) or behind its back, which a watch on the folder
// reports.
class PetLibrary : public QObject {
    Q_OBJECT

public:
    struct Locations {
        QString root; // the library folder
        QString olderRoot; // moved to root on first use when root does not exist yet
        QString bundledPetFolder; // the pet that ships with the program
        QString nimboFolder; // where Nimbo keeps its pets
        QString workFolderParent; // where zip imports unpack
    };

    // Uses the given folders (tests and tools); migrates the older root and creates the root.
    explicit PetLibrary(Locations locations, ImportLimits limits = {}, QObject *parent = nullptr);

    // The program's library under ~/.local/share/tamsel/Pets, created on first use and kept for
    // the life of the process.
    static PetLibrary &shared();
    // The folders the shared library uses: the generic data folder's "tamsel/Pets" (older root
    // "Tamsel Desk/Pets"), the ":/BundledPet" resource, ~/.nimbo/pets and the temporary folder.
    static Locations defaultLocations();

    // Row names for the built-in pet's atlas (index = row, 0..8), also used to seed row names.
    static const QStringList &bundledPetDefaultNames();

    QString rootPath() const { return m_locations.root; }
    QString nimboPetsPath() const { return m_locations.nimboFolder; }
    const PetValidator &validator() const { return m_validator; }

    // The valid pets in the library, sorted by display name (localized, case-insensitive, stable).
    // Hidden, linked and invalid entries are skipped; a listing failure gives an empty list. Read
    // from disk only when the library changed since the last call.
    QList<PetPackage> loadLibrary() const;

    // The built-in pet's manifest id when the built-in folder validates; computed once.
    std::optional<QString> bundledPetID() const;

    // Makes sure the built-in pet is in the library and returns the library's copy. An existing
    // copy is not refreshed. Absent when there is no valid built-in pet or the import fails.
    std::optional<PetPackage> installBundledPetIfNeeded();

    // See PackageImporter: a package folder or a .zip becomes root/<id>, replacing the pet with
    // the same id only once the new copy validates. These block the calling thread.
    Result<PetPackage, PetPackageError> importFolder(const QString &folderPath);
    Result<PetPackage, PetPackageError> importZip(const QString &zipPath);
    // The same with the copying and unpacking on a worker thread; the result and the change of
    // the listing arrive on the main thread.
    QCoro::Task<Result<PetPackage, PetPackageError>> importFolderInBackground(const QString &folderPath);
    QCoro::Task<Result<PetPackage, PetPackageError>> importZipInBackground(const QString &zipPath);

    // Removes a pet from the library: root/<id> when it exists, else the package's folder when
    // that is a folder of the library. Anything else, the root itself included, is refused with
    // notInLibrary; source folders outside the library are never touched.
    std::optional<PetPackageError> deletePet(const PetPackage &package);

    // The valid packages in the Nimbo folder, in listing order; not imported.
    QList<PetPackage> discoverNimboPets() const;

    // Removes what imports, replacements and deletes left behind when the program died in the
    // middle of one: hidden ".tam-" folders in the library and "tam-import-" folders in the work
    // folder's parent, unless another running instance still holds them. Returns the folders
    // removed. Meant for launch.
    QStringList removeStaleStaging() const;

signals:
    // The listing may differ from the last one: a pet was imported or deleted here, or the
    // library folder changed on disk.
    void libraryChanged();

private:
    void markChanged();
    QList<PetPackage> readListing() const;

    Locations m_locations;
    PackageImporter m_importer;
    PetValidator m_validator;
    mutable std::optional<std::optional<QString>> m_bundledPetID;
    QFileSystemWatcher *m_watcher = nullptr;
    mutable std::optional<QList<PetPackage>> m_listing;
};
