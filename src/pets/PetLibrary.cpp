#include "pets/PetLibrary.h"

#include "pets/PackageFiles.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoro/QCoroFuture>

#include <algorithm>

PetLibrary::PetLibrary(Locations locations, ImportLimits limits, QObject *parent)
    : QObject(parent)
    , m_locations(std::move(locations))
    , m_importer(m_locations.root, m_locations.workFolderParent, limits)
{
    const QString &root = m_locations.root;
    const QFileInfo rootInfo(root);
    if (!rootInfo.exists() && !rootInfo.isSymLink() && !m_locations.olderRoot.isEmpty()
        && QFileInfo(m_locations.olderRoot).isDir()) {
        // Errors are ignored: the root is created empty below and the older folder stays.
        QDir().mkpath(rootInfo.absolutePath());
        QDir().rename(m_locations.olderRoot, root);
    }
    QDir().mkpath(root);
    // Pets added or removed behind the program's back (a file manager, another instance).
    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(root);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &PetLibrary::markChanged);
}

PetLibrary &PetLibrary::shared()
{
    // Never destroyed: its folder watch must not outlive the application object at exit.
    static PetLibrary *const library = new PetLibrary(defaultLocations());
    return *library;
}

PetLibrary::Locations PetLibrary::defaultLocations()
{
    QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataFolder.isEmpty())
        dataFolder = QDir::homePath() + QStringLiteral("/.local/share");
    return Locations {
        dataFolder + QStringLiteral("/tamsel/Pets"),
        dataFolder + QStringLiteral("/Tamsel Desk/Pets"),
        QStringLiteral(":/BundledPet"),
        QDir::homePath() + QStringLiteral("/.nimbo/pets"),
        QDir::tempPath(),
    };
}

const QStringList &PetLibrary::bundledPetDefaultNames()
{
    static const QStringList names {
        QStringLiteral("Idle"),
        QStringLiteral("Run Right"),
        QStringLiteral("Run Left"),
        QStringLiteral("Wave"),
        QStringLiteral("Jump"),
        QStringLiteral("Tired"),
        QStringLiteral("Waiting"),
        QStringLiteral("Dancing"),
        QStringLiteral("Review"),
    };
    return names;
}

QList<PetPackage> PetLibrary::loadLibrary() const
{
    if (!m_listing)
        m_listing = readListing();
    return *m_listing;
}

QList<PetPackage> PetLibrary::readListing() const
{
    QList<PetPackage> packages;
    for (const QFileInfo &entry : PackageFiles::visibleEntries(m_locations.root)) {
        // The library only ever holds real folders; a link would lead out of it.
        if (entry.isSymLink() || !entry.isDir())
            continue;
        auto validated = m_validator.validateFolder(entry.filePath());
        if (validated)
            packages.append(std::move(validated).value());
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(packages.begin(), packages.end(), [&collator](const PetPackage &a, const PetPackage &b) {
        return collator.compare(a.manifest.displayName, b.manifest.displayName) < 0;
    });
    return packages;
}

std::optional<QString> PetLibrary::bundledPetID() const
{
    if (!m_bundledPetID) {
        const QString &folder = m_locations.bundledPetFolder;
        std::optional<QString> id;
        if (!folder.isEmpty() && QFileInfo::exists(folder)) {
            if (const auto validated = m_validator.validateFolder(folder))
                id = validated.value().manifest.id;
        }
        m_bundledPetID = id;
    }
    return *m_bundledPetID;
}

std::optional<PetPackage> PetLibrary::installBundledPetIfNeeded()
{
    const QString &folder = m_locations.bundledPetFolder;
    if (folder.isEmpty() || !QFileInfo::exists(folder))
        return std::nullopt;
    const auto bundled = m_validator.validateFolder(folder);
    if (!bundled || !PackageImporter::isFolderName(bundled.value().manifest.id))
        return std::nullopt;
    const QString destination = m_locations.root + u'/' + bundled.value().manifest.id;
    const QFileInfo destinationInfo(destination);
    if (destinationInfo.exists() || destinationInfo.isSymLink()) {
        auto installed = m_validator.validateFolder(destination);
        return installed ? std::optional<PetPackage>(std::move(installed).value()) : std::nullopt;
    }
    auto imported = importFolder(folder);
    return imported ? std::optional<PetPackage>(std::move(imported).value()) : std::nullopt;
}

Result<PetPackage, PetPackageError> PetLibrary::importFolder(const QString &folderPath)
{
    auto result = m_importer.importFolder(folderPath);
    markChanged();
    return result;
}

Result<PetPackage, PetPackageError> PetLibrary::importZip(const QString &zipPath)
{
    auto result = m_importer.importZip(zipPath);
    markChanged();
    return result;
}

QCoro::Task<Result<PetPackage, PetPackageError>> PetLibrary::importFolderInBackground(const QString &folderPath)
{
    QPointer<PetLibrary> self(this);
    // The worker gets its own copies of the path and of the importer, which holds nothing but
    // folders and limits. The path is taken by reference and copied here, before the first
    // suspension: GCC 12 mishandles by-value coroutine arguments inside a co_await.
    auto work = QtConcurrent::run(
        [importer = m_importer, path = folderPath] { return std::optional(importer.importFolder(path)); });
    auto result = co_await work;
    if (self)
        self->markChanged();
    co_return std::move(*result);
}

QCoro::Task<Result<PetPackage, PetPackageError>> PetLibrary::importZipInBackground(const QString &zipPath)
{
    QPointer<PetLibrary> self(this);
    auto work = QtConcurrent::run(
        [importer = m_importer, path = zipPath] { return std::optional(importer.importZip(path)); });
    auto result = co_await work;
    if (self)
        self->markChanged();
    co_return std::move(*result);
}

std::optional<PetPackageError> PetLibrary::deletePet(const PetPackage &package)
{
    auto error = m_importer.deletePet(package);
    markChanged();
    return error;
}

QList<PetPackage> PetLibrary::discoverNimboPets() const
{
    QList<PetPackage> packages;
    const QString &folder = m_locations.nimboFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return packages;
    for (const QFileInfo &entry : PackageFiles::visibleEntries(folder)) {
        if (!entry.isDir())
            continue;
        auto validated = m_validator.validateFolder(entry.filePath());
        if (validated)
            packages.append(std::move(validated).value());
    }
    return packages;
}

QStringList PetLibrary::removeStaleStaging() const
{
    return m_importer.removeStaleStaging();
}

void PetLibrary::markChanged()
{
    m_listing.reset();
    // A folder removed and made again is no longer watched.
    if (!m_watcher->directories().contains(m_locations.root))
        m_watcher->addPath(m_locations.root);
    emit libraryChanged();
}
