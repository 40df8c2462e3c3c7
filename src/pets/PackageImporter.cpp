#include "pets/PackageImporter.h"

#include "foundation/Log.h"
#include "pets/PackageFiles.h"
#include "pets/StagingFolder.h"
#include "pets/ZipExtractor.h"

#include <QDir>
#include <QFileInfo>

namespace {

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

PackageImporter::PackageImporter(QString root, QString workFolderParent, ImportLimits limits)
    : m_root(std::move(root))
    , m_workFolderParent(std::move(workFolderParent))
    , m_limits(limits)
{
}

bool PackageImporter::isFolderName(const QString &id)
{
    return !id.isEmpty() && id != QLatin1String(".") && id != QLatin1String("..") && !id.contains(u'/')
        && !id.contains(QChar(u'\0'));
}

Result<PetPackage, PetPackageError> PackageImporter::importFolder(const QString &folderPath) const
{
    auto validated = m_validator.validateFolder(folderPath);
    if (!validated)
        return validated.error();
    const QString source = validated.value().folderPath;
    const QString id = validated.value().manifest.id;
    // An empty id would make the destination the library root itself.
    if (!isFolderName(id))
        return PetPackageError::invalidIdentifier();

    const QString destination = m_root + u'/' + id;
    const QString rootReal = PackageFiles::canonical(m_root);
    const QString sourceReal = source.startsWith(u':') ? source : PackageFiles::canonical(source);
    const QString destinationReal = PackageFiles::canonical(destination);
    if (rootReal.isEmpty())
        return fileError(QStringLiteral("The pet library folder %1 could not be created.").arg(m_root));
    // The library's own copy: replacing it would first remove the source.
    if (!destinationReal.isEmpty() && sourceReal == destinationReal)
        return m_validator.validateFolder(destination);
    if (isSameOrInside(rootReal, sourceReal))
        return fileError(QStringLiteral("A folder that holds the pet library can't be imported into it."));

    const StagingFolder stagingFolder(m_root, QStringLiteral(".tam-import-"));
    if (!stagingFolder.isLocked())
        return fileError(QStringLiteral("The pet could not be copied into the library at %1.").arg(m_root));
    const QString staging = stagingFolder.path();
    if (const auto failure = PackageFiles::copyTree(source, staging, m_limits)) {
        switch (*failure) {
        case PackageFiles::CopyFailure::TooLarge: return PetPackageError::tooLarge();
        case PackageFiles::CopyFailure::ReadFailed:
            return fileError(QStringLiteral("The pet package could not be read. Check that its files are readable."));
        case PackageFiles::CopyFailure::WriteFailed:
            return fileError(QStringLiteral("The pet could not be copied into the library at %1.").arg(m_root));
        }
    }
    // Links are not copied, so the copy may lack what the source had; check it before it
    // replaces anything.
    if (auto copied = m_validator.validateFolder(staging); !copied)
        return copied.error();

    const QFileInfo destinationInfo(destination);
    if (destinationInfo.exists() || destinationInfo.isSymLink()) {
        StagingFolder replacedFolder(m_root, QStringLiteral(".tam-replaced-"));
        const QString replaced = replacedFolder.path();
        if (!replacedFolder.isLocked() || !QDir().rename(destination, replaced))
            return fileError(QStringLiteral("The installed pet %1 could not be replaced.").arg(id));
        if (!QDir().rename(staging, destination)) {
            QDir().rename(replaced, destination);
            return fileError(QStringLiteral("The installed pet %1 could not be replaced.").arg(id));
        }
        if (!replacedFolder.remove())
            Log::line(QStringLiteral("PackageImporter import failed: could not remove the replaced copy ") + replaced);
    } else if (!QDir().rename(staging, destination)) {
        return fileError(QStringLiteral("The pet could not be copied into the library at %1.").arg(m_root));
    }
    return m_validator.validateFolder(destination);
}

Result<PetPackage, PetPackageError> PackageImporter::importZip(const QString &zipPath) const
{
    const StagingFolder work(m_workFolderParent, QStringLiteral("tam-import-"));
    const QString workFolder = work.path();
    if (!work.isLocked() || !QDir().mkpath(workFolder))
        return fileError(QStringLiteral("A temporary folder for unpacking the archive could not be created."));

    const ZipExtractor extractor(m_limits);
    if (const auto failure = extractor.extract(zipPath, workFolder)) {
        const QString reason = extractor.explain(*failure);
        Log::line(QStringLiteral("PackageImporter importZip failed: ") + reason);
        return PetPackageError::archiveRefused(reason);
    }
    if (!QFileInfo(workFolder).isDir())
        return fileError(QStringLiteral("The unpacked archive could not be read."));
    const QFileInfoList entries = PackageFiles::visibleEntries(workFolder);
    QString packageFolder = workFolder;
    if (entries.size() == 1 && entries.first().isDir() && !entries.first().isSymLink())
        packageFolder = entries.first().filePath();
    return importFolder(packageFolder);
}

std::optional<PetPackageError> PackageImporter::deletePet(const PetPackage &package) const
{
    QString target = package.folderPath;
    if (target.isEmpty() && !isFolderName(package.manifest.id))
        return PetPackageError::notInLibrary();
    if (isFolderName(package.manifest.id)) {
        const QFileInfo byID(m_root + u'/' + package.manifest.id);
        if (byID.exists() || byID.isSymLink())
            target = byID.filePath();
    }
    if (target.isEmpty() || !PackageFiles::isDirectChild(target, m_root))
        return PetPackageError::notInLibrary();

    // Move the pet out of the listing in one step; what a failed removal leaves behind is hidden.
    StagingFolder doomedFolder(m_root, QStringLiteral(".tam-deleted-"));
    const QString doomed = doomedFolder.path();
    if (!doomedFolder.isLocked() || !QDir().rename(target, doomed))
        return fileError(QStringLiteral("The pet folder %1 could not be removed.").arg(QFileInfo(target).fileName()));
    if (!doomedFolder.remove())
        Log::line(QStringLiteral("PackageImporter delete failed: could not remove ") + doomed);
    return std::nullopt;
}

QStringList PackageImporter::removeStaleStaging() const
{
    QStringList removed = StagingFolder::removeStale(
        m_root, { QStringLiteral(".tam-import-"), QStringLiteral(".tam-replaced-"), QStringLiteral(".tam-deleted-") });
    if (!m_workFolderParent.isEmpty())
        removed += StagingFolder::removeStale(m_workFolderParent, { QStringLiteral("tam-import-") });
    for (const QString &folder : std::as_const(removed))
        Log::line(QStringLiteral("PackageImporter removed an abandoned staging folder: ") + folder);
    return removed;
}
