// Measures what the pet library costs the main thread:
//  - listing N pets (what every menu rebuild asks for), read afresh from disk and from the kept
//    listing, median of the iterations;
//  - the longest gap of a 16 ms heartbeat timer while a zip of about M MiB is imported, once
//    on the main thread (importZip) and once on a worker (importZipInBackground);
//  - the same gap while a pet's atlas is decoded (--atlas), on the main thread and on a worker,
//    as loading a pet does.
// Not a test: run by hand and read the figures.
#include "pets/PetLibrary.h"
#include "pets/SpriteSheetDecoder.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <QCoro/QCoroTask>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

QByteArray atlasBytes()
{
    QImage image(1536, 1664, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < image.height(); y += 3)
        image.setPixel((y * 7) % image.width(), y, qRgba(200, 80, 40, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "webp");
    writer.write(image);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A stored (uncompressed) zip of one pet folder with `blobs` incompressible files of 50 MiB.
bool writeZip(const QString &path, int blobs)
{
    archive *zip = archive_write_new();
    archive_write_set_format_zip(zip);
    archive_write_zip_set_compression_store(zip);
    if (archive_write_open_filename(zip, QFile::encodeName(path).constData()) != ARCHIVE_OK)
        return false;
    const auto add = [zip](const QString &name, const QByteArray &data) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, data.size());
        archive_write_header(zip, entry);
        archive_write_data(zip, data.constData(), size_t(data.size()));
        archive_entry_free(entry);
    };
    add(QStringLiteral("big/pet.json"), R"({"id": "big", "displayName": "Big"})");
    add(QStringLiteral("big/spritesheet.webp"), atlasBytes());
    QByteArray blob(50 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32 *>(blob.data()), blob.size() / 4);
    for (int i = 0; i < blobs; ++i)
        add(QStringLiteral("big/data/blob%1.bin").arg(i), blob);
    archive_write_close(zip);
    archive_write_free(zip);
    return true;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Runs work from the event loop with a 16 ms heartbeat ticking and returns the longest gap
// between two beats (or between the last beat and the end), in ms.
double worstHeartbeatGap(const std::function<QCoro::Task<>()> &work)
{
    QEventLoop loop;
    QElapsedTimer sinceBeat;
    double worst = 0;
    QTimer heartbeat;
    heartbeat.setInterval(16);
    QObject::connect(&heartbeat, &QTimer::timeout, &loop, [&] {
        worst = std::max(worst, double(sinceBeat.nsecsElapsed()) / 1e6);
        sinceBeat.restart();
    });
    heartbeat.start();
    sinceBeat.start();
    QTimer::singleShot(50, &loop, [&]() -> QCoro::Task<> {
        co_await work();
        worst = std::max(worst, double(sinceBeat.nsecsElapsed()) / 1e6);
        loop.quit();
    });
    loop.exec();
    return worst;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        { QStringLiteral("pets"), QStringLiteral("Pets in the library."), QStringLiteral("n"), QStringLiteral("50") });
    parser.addOption(
        { QStringLiteral("iterations"), QStringLiteral("Listings timed."), QStringLiteral("n"), QStringLiteral("20") });
    parser.addOption({ QStringLiteral("zip-mib"), QStringLiteral("Size of the zip (0: skip)."), QStringLiteral("n"),
        QStringLiteral("200") });
    parser.addOption({ QStringLiteral("atlas"), QStringLiteral("An atlas to decode (empty: skip)."),
        QStringLiteral("path"), QString() });
    parser.process(app);
    const int pets = parser.value(QStringLiteral("pets")).toInt();
    const int iterations = std::max(1, parser.value(QStringLiteral("iterations")).toInt());
    const int zipMiB = parser.value(QStringLiteral("zip-mib")).toInt();

    QTemporaryDir dir;
    const PetLibrary::Locations locations { dir.filePath(QStringLiteral("Pets")), {}, {}, {}, dir.path() };
    const QByteArray atlas = atlasBytes();
    for (int i = 0; i < pets; ++i) {
        const QString folder = locations.root + QStringLiteral("/pet-%1").arg(i);
        writeFile(folder + QStringLiteral("/pet.json"),
            QStringLiteral(R"({"id": "pet-%1", "displayName": "Pet %1"})").arg(i).toUtf8());
        writeFile(folder + QStringLiteral("/spritesheet.webp"), atlas);
    }

    QList<double> fresh, kept;
    PetLibrary library(locations);
    for (int i = 0; i < iterations; ++i) {
        PetLibrary reread(locations);
        QElapsedTimer timer;
        timer.start();
        const auto listed = reread.loadLibrary();
        fresh.append(double(timer.nsecsElapsed()) / 1e6);
        if (listed.size() != pets)
            std::fprintf(stderr, "listed %lld of %d pets\n", qlonglong(listed.size()), pets);
        library.loadLibrary();
        timer.restart();
        library.loadLibrary();
        kept.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("listing %d pets: read afresh %.3f ms, kept %.4f ms (median of %d)\n", pets, median(fresh),
        median(kept), iterations);

    if (zipMiB > 0) {
        const QString zip = dir.filePath(QStringLiteral("big.zip"));
        if (!writeZip(zip, std::max(1, zipMiB / 50)))
            return 1;
        const double onMain = worstHeartbeatGap([&]() -> QCoro::Task<> {
            const auto result = library.importZip(zip);
            if (!result)
                std::fprintf(stderr, "import failed: %s\n", qPrintable(result.error().description()));
            co_return;
        });
        const double onWorker = worstHeartbeatGap([&]() -> QCoro::Task<> {
            const auto result = co_await library.importZipInBackground(zip);
            if (!result)
                std::fprintf(stderr, "import failed: %s\n", qPrintable(result.error().description()));
        });
        std::printf("importing a %.0f MiB zip: worst 16 ms heartbeat gap %.1f ms on the main thread, %.1f ms with "
                    "the work on a worker\n",
            double(QFileInfo(zip).size()) / (1024 * 1024), onMain, onWorker);
    }
    if (const QString atlasPath = parser.value(QStringLiteral("atlas")); !atlasPath.isEmpty()) {
        PetManifest manifest;
        manifest.frameWidth = 192;
        manifest.frameHeight = 208;
        bool decoded = true;
        const double onMain = worstHeartbeatGap([&]() -> QCoro::Task<> {
            decoded = decoded && SpriteSheetDecoder::create(manifest, atlasPath).ok();
            co_return;
        });
        const double onWorker = worstHeartbeatGap([&]() -> QCoro::Task<> {
            auto decoding = SpriteSheetDecoder::createInBackground(manifest, atlasPath);
            const auto created = co_await std::move(decoding);
            decoded = decoded && created.ok();
        });
        if (!decoded)
            std::fprintf(stderr, "could not decode %s\n", qPrintable(atlasPath));
        std::printf("decoding %s: worst 16 ms heartbeat gap %.1f ms on the main thread, %.1f ms on a worker\n",
            qPrintable(QFileInfo(atlasPath).fileName()), onMain, onWorker);
    }
    return 0;
}
