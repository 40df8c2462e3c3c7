#include "pets/PetValidator.h"

#include "pets/AtlasImageReader.h"
#include "pets/PackageFiles.h"
#include "pets/PetManifestParser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString manifestFileName = QStringLiteral("pet.json");
const QString defaultAtlasFileName = QStringLiteral("spritesheet.webp");

Result<QByteArray, PetManifestError> readManifest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return PetManifestError::fileMissing();
        return PetManifestError::invalidJSON(file.errorString());
    }
    // Read one byte past the limit rather than trusting the size the file system reports.
    const QByteArray data = file.read(PetValidator::maxManifestBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return PetManifestError::invalidJSON(file.errorString());
    if (data.size() > PetValidator::maxManifestBytes)
        return PetManifestError::invalidJSON(QStringLiteral("The file is larger than 1 MB."));
    return data;
}

} // namespace

Result<PetPackage, PetPackageError> PetValidator::validateFolder(const QString &folderPath) const
{
    const QFileInfo folderInfo(folderPath);
    if (folderPath.isEmpty() || !folderInfo.exists() || !folderInfo.isDir())
        return PetPackageError(PetValidationError(PetValidationError::Kind::UnreachableLocation));
    const QString folder = QDir::cleanPath(folderInfo.absoluteFilePath());

    // pet.json must be a regular file inside the folder; a fifo would block the read and a
    // link out of the package is not part of it.
    const QFileInfo manifestInfo(folder + u'/' + manifestFileName);
    if (!manifestInfo.exists())
        return PetPackageError(PetValidationError(PetValidationError::Kind::MissingManifest));
    if (manifestInfo.isFile() && !PackageFiles::containedFile(folder, manifestFileName))
        return PetPackageError(PetValidationError(PetValidationError::Kind::MissingManifest));
    if (!manifestInfo.isFile())
        return PetPackageError(PetManifestError::invalidJSON(QStringLiteral("pet.json is not a regular file.")));

    const auto data = readManifest(manifestInfo.filePath());
    if (!data)
        return PetPackageError(data.error());
    auto parsed = PetManifestParser::parse(data.value(), QFileInfo(folder).fileName());
    if (!parsed)
        return PetPackageError(parsed.error());

    auto atlas = PackageFiles::containedFile(folder, parsed.value().spritesheetFileName);
    if (!atlas)
        atlas = PackageFiles::containedFile(folder, defaultAtlasFileName);
    if (!atlas)
        return PetPackageError(PetValidationError(PetValidationError::Kind::MissingSpritesheet));
    // The decoder's own check, so that nothing passes here that fails when the pet loads.
    const auto atlasSize = AtlasImageReader::probe(*atlas);
    if (!atlasSize)
        return PetPackageError(PetValidationError(PetValidationError::Kind::SpritesheetUnreadable));
    const PetManifest &manifest = parsed.value();
    if (manifest.frameWidth < 1 || manifest.frameHeight < 1 || manifest.frameWidth > atlasSize.value().width()
        || manifest.frameHeight > atlasSize.value().height())
        return PetPackageError(PetValidationError(PetValidationError::Kind::CellOutsideAtlas));

    return PetPackage { std::move(parsed).value(), folder };
}
