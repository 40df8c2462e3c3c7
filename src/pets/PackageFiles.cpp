#include "pets/PackageFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

constexpr qint64 copyChunkBytes = 64 * 1024;

struct CopyBudget {
    const ImportLimits &limits;
    qint64 entries = 0;
    qint64 totalBytes = 0;
};

std::optional<PackageFiles::CopyFailure> copyFile(const QString &from, const QString &to, CopyBudget &budget)
{
    using PackageFiles::CopyFailure;
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return CopyFailure::ReadFailed;
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return CopyFailure::WriteFailed;
    QByteArray buffer(copyChunkBytes, Qt::Uninitialized);
    qint64 fileBytes = 0;
    for (;;) {
        // Sizes are counted as read, not taken from the file system: the file may still grow.
        const qint64 count = in.read(buffer.data(), buffer.size());
        if (count < 0)
            return CopyFailure::ReadFailed;
        if (count == 0)
            break;
        fileBytes += count;
        budget.totalBytes += count;
        if (fileBytes > budget.limits.maxEntryBytes || budget.totalBytes > budget.limits.maxTotalBytes)
            return CopyFailure::TooLarge;
        if (out.write(buffer.constData(), count) != count)
            return CopyFailure::WriteFailed;
    }
    if (!out.flush())
        return CopyFailure::WriteFailed;
    return std::nullopt;
}

} // namespace

namespace PackageFiles {

std::optional<QString> cleanRelativePath(const QString &path)
{
    if (path.isEmpty() || path.startsWith(u'/') || path.contains(QChar(u'\0')))
        return std::nullopt;
    QStringList parts;
    for (const QString &part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            return std::nullopt;
        parts.append(part);
    }
    return parts.join(u'/');
}

std::optional<QString> containedFile(const QString &folder, const QString &relativeName)
{
    const auto clean = cleanRelativePath(relativeName);
    if (!clean || clean->isEmpty())
        return std::nullopt;
    const QString path = folder + u'/' + *clean;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return std::nullopt;
    // Compiled-in resources hold no links.
    if (folder.startsWith(u':'))
        return path;
    QString root = canonical(folder);
    const QString real = info.canonicalFilePath();
    if (root.isEmpty() || real.isEmpty())
        return std::nullopt;
    if (!root.endsWith(u'/'))
        root.append(u'/');
    return real.startsWith(root) ? std::optional<QString>(path) : std::nullopt;
}

std::optional<CopyFailure> copyTree(const QString &source, const QString &destination, const ImportLimits &limits)
{
    if (!QDir().mkdir(destination))
        return CopyFailure::WriteFailed;
    CopyBudget budget { limits };
    QList<std::pair<QString, QString>> pending { { source, destination } };
    while (!pending.isEmpty()) {
        const auto [from, to] = pending.takeLast();
        QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            // Every entry counts, skipped ones too, so that a huge folder cannot stall the import.
            if (++budget.entries > limits.maxEntries)
                return CopyFailure::TooLarge;
            const QFileInfo info = it.fileInfo();
            const QString target = to + u'/' + info.fileName();
            if (info.isSymLink())
                continue;
            if (info.isDir()) {
                if (!QDir().mkdir(target))
                    return CopyFailure::WriteFailed;
                pending.append({ info.filePath(), target });
            } else if (info.isFile()) {
                if (const auto failure = copyFile(info.filePath(), target, budget))
                    return failure;
            }
            // Devices, fifos and sockets are not part of a package.
        }
    }
    return std::nullopt;
}

bool removeTree(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return QFile::remove(path);
    if (!info.exists())
        return true;
    return QDir(path).removeRecursively();
}

QFileInfoList visibleEntries(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

bool isDirectChild(const QString &path, const QString &folder)
{
    const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QString name = info.fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    if (!info.exists() && !info.isSymLink())
        return false;
    const QString root = canonical(folder);
    return !root.isEmpty() && canonical(info.absolutePath()) == root;
}

}
