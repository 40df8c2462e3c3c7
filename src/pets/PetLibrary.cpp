#include "pets/PetLibrary.h"

#include "foundation/Log.h"
#include "pets/PackageFiles.h"
#include "pets/PetManifestParser.h"
#include "pets/StagingFolder.h"
#include "pets/ZipExtractor.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QScopeGuard>
#include <QStandardPaths>

#include <algorithm>

namespace {

// Non-hidden entries of a folder, sorted by name so that listings are reproducible.
QFileInfoList visibleEntries(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A manifest id names a folder of the root: it must be one non-empty path component. Ids that
// come out of the parser always are; packages built elsewhere might not be.
bool isFolderName(const QString &id)
{
    return !id.isEmpty() && id != QLatin1String(".") && id != QLatin1String("..") && !id.contains(u'/')
        && !id.contains(QChar(u'\0'));
}

bool isSameOrInside(const QString &inner, const QString &outer)
{
    if (inner == outer || outer == QLatin1String("/"))
        return true;
    return inner.startsWith(outer + u'/');
}

PetPackageError fileError(const QString &sentence)
{
    return PetPackageError::fileOperation(sentence);
}

} // namespace

PetLibrary::PetLibrary(Locations locations, ImportLimits limits, QObject *parent)
    : QObject(parent)
    , m_locations(std::move(locations))
    , m_limits(limits)
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
    for (const QFileInfo &entry : visibleEntries(m_locations.root)) {
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
    if (!bundled || !isFolderName(bundled.value().manifest.id))
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
    // Whatever happens below may have touched the root.
    const auto changed = qScopeGuard([this] { markChanged(); });
    auto validated = m_validator.validateFolder(folderPath);
    if (!validated)
        return validated.error();
    const QString source = validated.value().folderPath;
    const QString id = validated.value().manifest.id;
    // An empty id would make the destination the library root itself.
    if (!isFolderName(id))
        return PetPackageError::invalidIdentifier();

    const QString destination = m_locations.root + u'/' + id;
    const QString rootReal = PackageFiles::canonical(m_locations.root);
    const QString sourceReal = source.startsWith(u':') ? source : PackageFiles::canonical(source);
    const QString destinationReal = PackageFiles::canonical(destination);
    if (rootReal.isEmpty())
        return fileError(QStringLiteral("The pet library folder %1 could not be created.").arg(m_locations.root));
    // The library's own copy: replacing it would first remove the source.
    if (!destinationReal.isEmpty() && sourceReal == destinationReal)
        return m_validator.validateFolder(destination);
    if (isSameOrInside(rootReal, sourceReal))
        return fileError(QStringLiteral("A folder that holds the pet library can't be imported into it."));

    const StagingFolder stagingFolder(m_locations.root, QStringLiteral(".tam-import-"));
    if (!stagingFolder.isLocked())
        return fileError(QStringLiteral("The pet could not be copied into the library at %1.").arg(m_locations.root));
    const QString staging = stagingFolder.path();
    if (const auto failure = PackageFiles::copyTree(source, staging, m_limits)) {
        switch (*failure) {
        case PackageFiles::CopyFailure::TooLarge: return PetPackageError::tooLarge();
        case PackageFiles::CopyFailure::ReadFailed:
            return fileError(QStringLiteral("The pet package could not be read. Check that its files are readable."));
        case PackageFiles::CopyFailure::WriteFailed:
            return fileError(
                QStringLiteral("The pet could not be copied into the library at %1.").arg(m_locations.root));
        }
    }
    // Links are not copied, so the copy may lack what the source had; check it before it
    // replaces anything.
    if (auto copied = m_validator.validateFolder(staging); !copied)
        return copied.error();

    const QFileInfo destinationInfo(destination);
    if (destinationInfo.exists() || destinationInfo.isSymLink()) {
        StagingFolder replacedFolder(m_locations.root, QStringLiteral(".tam-replaced-"));
        const QString replaced = replacedFolder.path();
        if (!replacedFolder.isLocked() || !QDir().rename(destination, replaced))
            return fileError(QStringLiteral("The installed pet %1 could not be replaced.").arg(id));
        if (!QDir().rename(staging, destination)) {
            QDir().rename(replaced, destination);
            return fileError(QStringLiteral("The installed pet %1 could not be replaced.").arg(id));
        }
        if (!replacedFolder.remove())
            Log::line(QStringLiteral("PetLibrary import failed: could not remove the replaced copy ") + replaced);
    } else if (!QDir().rename(staging, destination)) {
        return fileError(QStringLiteral("The pet could not be copied into the library at %1.").arg(m_locations.root));
    }
    return m_validator.validateFolder(destination);
}

Result<PetPackage, PetPackageError> PetLibrary::importZip(const QString &zipPath)
{
    const StagingFolder work(m_locations.workFolderParent, QStringLiteral("tam-import-"));
    const QString workFolder = work.path();
    if (!work.isLocked() || !QDir().mkpath(workFolder))
        return fileError(QStringLiteral("A temporary folder for unpacking the archive could not be created."));

    const ZipExtractor extractor(m_limits);
    if (const auto failure = extractor.extract(zipPath, workFolder)) {
        const QString reason = extractor.explain(*failure);
        Log::line(QStringLiteral("PetLibrary importZip failed: ") + reason);
        return PetPackageError::archiveRefused(reason);
    }
    if (!QFileInfo(workFolder).isDir())
        return fileError(QStringLiteral("The unpacked archive could not be read."));
    const QFileInfoList entries = visibleEntries(workFolder);
    QString packageFolder = workFolder;
    if (entries.size() == 1 && entries.first().isDir() && !entries.first().isSymLink())
        packageFolder = entries.first().filePath();
    return importFolder(packageFolder);
}

std::optional<PetPackageError> PetLibrary::deletePet(const PetPackage &package)
{
    const auto changed = qScopeGuard([this] { markChanged(); });
    QString target = package.folderPath;
    if (target.isEmpty() && !isFolderName(package.manifest.id))
        return PetPackageError::notInLibrary();
    if (isFolderName(package.manifest.id)) {
        const QFileInfo byID(m_locations.root + u'/' + package.manifest.id);
        if (byID.exists() || byID.isSymLink())
            target = byID.filePath();
    }
    if (target.isEmpty() || !PackageFiles::isDirectChild(target, m_locations.root))
        return PetPackageError::notInLibrary();

    // Move the pet out of the listing in one step; what a failed removal leaves behind is hidden.
    StagingFolder doomedFolder(m_locations.root, QStringLiteral(".tam-deleted-"));
    const QString doomed = doomedFolder.path();
    if (!doomedFolder.isLocked() || !QDir().rename(target, doomed))
        return fileError(QStringLiteral("The pet folder %1 could not be removed.").arg(QFileInfo(target).fileName()));
    if (!doomedFolder.remove())
        Log::line(QStringLiteral("PetLibrary delete failed: could not remove ") + doomed);
    return std::nullopt;
}

QList<PetPackage> PetLibrary::discoverNimboPets() const
{
    QList<PetPackage> packages;
    const QString &folder = m_locations.nimboFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return packages;
    for (const QFileInfo &entry : visibleEntries(folder)) {
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
    QStringList removed = StagingFolder::removeStale(m_locations.root,
        { QStringLiteral(".tam-import-"), QStringLiteral(".tam-replaced-"), QStringLiteral(".tam-deleted-") });
    if (!m_locations.workFolderParent.isEmpty())
        removed += StagingFolder::removeStale(m_locations.workFolderParent, { QStringLiteral("tam-import-") });
    for (const QString &folder : std::as_const(removed))
        Log::line(QStringLiteral("PetLibrary removed an abandoned staging folder: ") + folder);
    return removed;
}

void PetLibrary::markChanged()
{
    m_listing.reset();
    // A folder removed and made again is no longer watched.
    if (!m_watcher->directories().contains(m_locations.root))
        m_watcher->addPath(m_locations.root);
    emit libraryChanged();
}
