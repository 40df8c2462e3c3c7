#pragma once

#include <QImage>
#include <QString>

// The last few whole atlas images read from disk, for the preferences window's larger previews.
// Thread-safe; at most 3 entries, keyed by file path, the least recently used one leaving first.
namespace PetImageCache {
inline constexpr int capacity = 3;

// The cached image for the file's path, else the file's first image read (see AtlasImageReader)
// and cached; a null image when the file cannot be read (nothing is cached then).
QImage image(const QString &path);
bool contains(const QString &path);
qsizetype count();
// After a pet is deleted.
void evict(const QString &path);
// When the preferences window closes.
void clear();
}
