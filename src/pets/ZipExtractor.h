#pragma once

#include "pets/ImportLimits.h"

#include <QString>

#include <optional>

// Unpacks a .zip into a folder, treating the archive as hostile: only regular files and folders
// are written, only below the destination, and the limits are enforced on the bytes actually
// inflated rather than on the sizes the archive declares. Extraction stops at the first problem;
// whatever was written so far is left for the caller to remove.
class ZipExtractor {
public:
    enum class Failure {
        Unreadable, // not a zip, truncated, encrypted or otherwise undecodable
        UnsafePath, // an absolute path, a ".." component or an empty name
        UnsupportedEntry, // a symbolic or hard link, a device, a fifo or a socket
        TooManyEntries,
        EntryTooLarge,
        TotalTooLarge,
        WriteFailed, // the destination could not be written (also a name given twice)
    };

    explicit ZipExtractor(ImportLimits limits = {})
        : m_limits(limits)
    {
    }

    // Extracts zipPath into destination, an existing folder.
    std::optional<Failure> extract(const QString &zipPath, const QString &destination) const;

    // One plain sentence for the user saying why the archive was refused, with this extractor's
    // limits in it.
    QString explain(Failure failure) const;

private:
    ImportLimits m_limits;
};
