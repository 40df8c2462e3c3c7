#include "pets/ZipExtractor.h"

#include "pets/PackageFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

constexpr size_t readBlockBytes = 64 * 1024;

struct ArchiveDeleter {
    void operator()(archive *handle) const { archive_read_free(handle); }
};

// Finder adds AppleDouble metadata under "__MACOSX/" beside the real content; it is never part
// of a package and would otherwise turn a single-folder zip into a two-folder one.
bool isMacMetadata(const QString &relativePath)
{
    return relativePath == QLatin1String("__MACOSX") || relativePath.startsWith(QLatin1String("__MACOSX/"));
}

QString entryName(archive_entry *entry)
{
    if (const char *utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char *raw = archive_entry_pathname(entry))
        return QFile::decodeName(raw);
    return {};
}

} // namespace

std::optional<ZipExtractor::Failure> ZipExtractor::extract(const QString &zipPath, const QString &destination) const
{
    std::unique_ptr<archive, ArchiveDeleter> reader(archive_read_new());
    if (!reader)
        return Failure::Unreadable;
    archive *handle = reader.get();
    archive_read_support_format_zip(handle);
    if (archive_read_open_filename(handle, QFile::encodeName(zipPath).constData(), readBlockBytes) != ARCHIVE_OK)
        return Failure::Unreadable;

    qint64 entries = 0;
    qint64 totalBytes = 0;
    QByteArray buffer(readBlockBytes, Qt::Uninitialized);
    for (;;) {
        archive_entry *entry = nullptr;
        const int status = archive_read_next_header(handle, &entry);
        if (status == ARCHIVE_EOF)
            break;
        // A warning (for example a name that does not convert to the locale) still gives an entry.
        if (status < ARCHIVE_WARN || !entry)
            return Failure::Unreadable;
        if (++entries > m_limits.maxEntries)
            return Failure::TooManyEntries;

        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry))
            return Failure::UnsupportedEntry;
        const auto type = archive_entry_filetype(entry);
        if (type != AE_IFREG && type != AE_IFDIR)
            return Failure::UnsupportedEntry;

        const auto relative = PackageFiles::cleanRelativePath(entryName(entry));
        if (!relative)
            return Failure::UnsafePath;
        if (relative->isEmpty()) {
            if (type == AE_IFDIR)
                continue; // "./"
            return Failure::UnsafePath;
        }
        if (isMacMetadata(*relative))
            continue;

        const QString target = destination + u'/' + *relative;
        if (type == AE_IFDIR) {
            if (!QDir().mkpath(target))
                return Failure::WriteFailed;
            continue;
        }
        if (!QDir().mkpath(QFileInfo(target).path()))
            return Failure::WriteFailed;
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return Failure::WriteFailed;
        qint64 entryBytes = 0;
        for (;;) {
            const la_ssize_t count = archive_read_data(handle, buffer.data(), static_cast<size_t>(buffer.size()));
            if (count < 0)
                return Failure::Unreadable;
            if (count == 0)
                break;
            entryBytes += count;
            totalBytes += count;
            if (entryBytes > m_limits.maxEntryBytes)
                return Failure::EntryTooLarge;
            if (totalBytes > m_limits.maxTotalBytes)
                return Failure::TotalTooLarge;
            if (out.write(buffer.constData(), count) != count)
                return Failure::WriteFailed;
        }
        if (!out.flush())
            return Failure::WriteFailed;
    }
    return std::nullopt;
}

QString ZipExtractor::explain(Failure failure) const
{
    const auto size
        = [](qint64 bytes) { return QLocale::c().formattedDataSize(bytes, 0, QLocale::DataSizeTraditionalFormat); };
    switch (failure) {
    case Failure::Unreadable:
        return QStringLiteral("The archive could not be read; it may be damaged or not a zip file.");
    case Failure::UnsafePath:
        return QStringLiteral("The archive holds an entry whose path leads outside the pet package.");
    case Failure::UnsupportedEntry:
        return QStringLiteral("The archive holds a link or a special file, which a pet package can't contain.");
    case Failure::TooManyEntries:
        return QStringLiteral("The archive holds more than %1 files and folders.").arg(m_limits.maxEntries);
    case Failure::EntryTooLarge:
        return QStringLiteral("A file in the archive is larger than %1.").arg(size(m_limits.maxEntryBytes));
    case Failure::TotalTooLarge:
        return QStringLiteral("The archive unpacks to more than %1.").arg(size(m_limits.maxTotalBytes));
    case Failure::WriteFailed:
        return QStringLiteral("The archive's files could not be unpacked into a temporary folder.");
    }
    return {};
}
