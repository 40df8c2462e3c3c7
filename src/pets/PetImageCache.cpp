#include "pets/PetImageCache.h"

#include "pets/AtlasImageReader.h"

#include <QCache>
#include <QMutex>
#include <QMutexLocker>

namespace PetImageCache {
namespace {

struct CacheEntry {
    QImage image;
};

struct SharedCache {
    QMutex mutex;
    QCache<QString, CacheEntry> entries { capacity }; // every entry costs 1
};

SharedCache &shared()
{
    static SharedCache cache;
    return cache;
}

}

QImage image(const QString &path)
{
    SharedCache &cache = shared();
    {
        QMutexLocker lock(&cache.mutex);
        if (const CacheEntry *entry = cache.entries.object(path))
            return entry->image;
    }
    // Read without holding the lock; two threads missing together both read, the later one wins.
    auto read = AtlasImageReader::read(path);
    if (!read.ok())
        return {};
    QMutexLocker lock(&cache.mutex);
    cache.entries.insert(path, new CacheEntry { read.value() }, 1);
    return read.value();
}

bool contains(const QString &path)
{
    SharedCache &cache = shared();
    QMutexLocker lock(&cache.mutex);
    return cache.entries.contains(path);
}

qsizetype count()
{
    SharedCache &cache = shared();
    QMutexLocker lock(&cache.mutex);
    return cache.entries.count();
}

void evict(const QString &path)
{
    SharedCache &cache = shared();
    QMutexLocker lock(&cache.mutex);
    cache.entries.remove(path);
}

void clear()
{
    SharedCache &cache = shared();
    QMutexLocker lock(&cache.mutex);
    cache.entries.clear();
}

}
