#pragma once

#include "pets/PetPackage.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

// Thumbnails of each installed pet's first atlas frame for the preferences window's pet list.
// Made in the background, at most one task per atlas path at a time, and published on the thread
// that owns the store (the UI thread). Finished thumbnails are kept for the life of the store; a
// failure leaves no entry, so the next request tries again. One store belongs to the preferences
// view. The public functions are for the owning thread only.
class PetThumbnailStore : public QObject {
    Q_OBJECT

public:
    // What prewarm() needs of a package: its atlas (folder + spritesheetFileName) and cell size.
    struct Request {
        QString atlasPath;
        qint64 frameWidth = 0;
        qint64 frameHeight = 0;
    };

    // The function that makes one thumbnail off the UI thread; makeThumbnail unless a test injects
    // another. It must be safe to call on several threads at once.
    using Maker = std::function<QImage(const QString &atlasPath, qint64 frameWidth, qint64 frameHeight, int maxPixel)>;

    static constexpr int maxPixel = 128;

    explicit PetThumbnailStore(QObject *parent = nullptr);
    PetThumbnailStore(Maker maker, QObject *parent = nullptr);
    ~PetThumbnailStore() override;

    // The finished thumbnail, else a null image after starting to make it (unless already in
    // flight). Callers show a placeholder and redraw on thumbsChanged.
    QImage thumbnail(const QString &atlasPath, qint64 frameWidth, qint64 frameHeight);
    // Starts every thumbnail that is neither finished nor in flight. The preferences window calls
    // it each time it is shown and when the active pet changes.
    void prewarm(const QList<Request> &requests);
    void prewarm(const QList<PetPackage> &packages);

    // The key of a package's thumbnail: its folder plus the manifest's spritesheetFileName.
    static QString atlasPath(const PetPackage &package);

    const QHash<QString, QImage> &thumbs() const { return m_thumbs; }
    bool isInFlight(const QString &atlasPath) const { return m_inFlight.contains(atlasPath); }
    qsizetype inFlightCount() const { return m_inFlight.size(); }

    // The first cell (frameWidth x frameHeight from the top-left, at least 1 x 1, cut to the image)
    // of the file's first image, reduced with smooth scaling so that its longer side is at most
    // maxPixel (never enlarged), as Format_ARGB32_Premultiplied. Null when the file cannot be read.
    static QImage makeThumbnail(const QString &atlasPath, qint64 frameWidth, qint64 frameHeight, int maxPixel);

signals:
    // A thumbnail was stored in thumbs() under atlasPath.
    void thumbsChanged(const QString &atlasPath);

private:
    struct Mailbox;

    void start(const QString &atlasPath, qint64 frameWidth, qint64 frameHeight);
    void finish(const QString &atlasPath, const QImage &thumbnail);

    Maker m_maker;
    QHash<QString, QImage> m_thumbs;
    QSet<QString> m_inFlight;
    std::shared_ptr<Mailbox> m_mailbox;
};
