#pragma once

#include <QtGlobal>

// Bounds on what an import may unpack or copy. Packages are untrusted input, and imports run on
// the calling thread, so their work must stay bounded. Counts include folders.
struct ImportLimits {
    qint64 maxEntries = 2000;
    qint64 maxEntryBytes = qint64(64) * 1024 * 1024;
    qint64 maxTotalBytes = qint64(256) * 1024 * 1024;
};
