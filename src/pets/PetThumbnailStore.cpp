#include "pets/PetThumbnailStore.h"

#include "pets/AtlasImageReader.h"

#include <QDir>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

// Where background tasks hand their results. The store clears `store` in its destructor, under the
// mutex, so a task finishing later posts nothing; a result posted before that is dropped with the
// store's pending events when the QObject part is destroyed.
struct PetThumbnailStore::Mailbox {
    QMutex mutex;
    PetThumbnailStore *store = nullptr;

    void deliver(const QString &atlasPath, const QImage &thumbnail)
    {
        QMutexLocker lock(&mutex);
        if (store == nullptr)
            return;
        PetThumbnailStore *receiver = store;
        QMetaObject::invokeMethod(
            receiver, [receiver, atlasPath, thumbnail] { receiver->finish(atlasPath, thumbnail); },
            Qt::QueuedConnection);
    }
};

PetThumbnailStore::PetThumbnailStore(QObject *parent)
    : PetThumbnailStore(&PetThumbnailStore::makeThumbnail, parent)
{
}

PetThumbnailStore::PetThumbnailStore(Maker maker, QObject *parent)
    : QObject(parent)
    , m_maker(std::move(maker))
    , m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->store = this;
}

PetThumbnailStore::~PetThumbnailStore()
{
    QMutexLocker lock(&m_mailbox->mutex);
    m_mailbox->store = nullptr;
}

QImage PetThumbnailStore::thumbnail(const QString &atlasPath, qint64 frameWidth, qint64 frameHeight)
{
    const auto finished = m_thumbs.constFind(atlasPath);
    if (finished != m_thumbs.cend())
        return *finished;
    start(atlasPath, frameWidth, frameHeight);
    return {};
}

void PetThumbnailStore::prewarm(const QList<Request> &requests)
{
    for (const Request &request : requests) {
        if (!m_thumbs.contains(request.atlasPath))
            start(request.atlasPath, request.frameWidth, request.frameHeight);
    }
}

void PetThumbnailStore::prewarm(const QList<PetPackage> &packages)
{
    QList<Request> requests;
    requests.reserve(packages.size());
    for (const PetPackage &package : packages)
        requests.append({ atlasPath(package), package.manifest.frameWidth, package.manifest.frameHeight });
    prewarm(requests);
}

QString PetThumbnailStore::atlasPath(const PetPackage &package)
{
    return QDir(package.folderPath).filePath(package.manifest.spritesheetFileName);
}

void PetThumbnailStore::start(const QString &atlasPath, qint64 frameWidth, qint64 frameHeight)
{
    if (m_inFlight.contains(atlasPath))
        return;
    m_inFlight.insert(atlasPath);
    QThreadPool::globalInstance()->start([mailbox = m_mailbox, maker = m_maker, atlasPath, frameWidth, frameHeight] {
        mailbox->deliver(atlasPath, maker(atlasPath, frameWidth, frameHeight, maxPixel));
    });
}

void PetThumbnailStore::finish(const QString &atlasPath, const QImage &thumbnail)
{
    m_inFlight.remove(atlasPath);
    if (thumbnail.isNull())
        return; // no entry: the next request tries again
    m_thumbs.insert(atlasPath, thumbnail);
    emit thumbsChanged(atlasPath);
}

QImage PetThumbnailStore::makeThumbnail(const QString &atlasPath, qint64 frameWidth, qint64 frameHeight, int maxPixel)
{
    auto read = AtlasImageReader::read(atlasPath);
    if (!read.ok())
        return {};
    const QImage &atlas = read.value();

    const int cropWidth = int(std::min<qint64>(atlas.width(), std::max<qint64>(frameWidth, 1)));
    const int cropHeight = int(std::min<qint64>(atlas.height(), std::max<qint64>(frameHeight, 1)));
    QImage crop = atlas.copy(0, 0, cropWidth, cropHeight);
    if (crop.isNull())
        crop = atlas;

    const double longest = std::max({ crop.width(), crop.height(), 1 });
    const double scale = std::min(double(maxPixel) / longest, 1.0);
    // std::lround rounds halves away from zero.
    const int width = int(std::max<long>(std::lround(crop.width() * scale), 1));
    const int height = int(std::max<long>(std::lround(crop.height() * scale), 1));
    if (width == crop.width() && height == crop.height())
        return crop;
    return crop.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
