// Prints, for every row of a pet, the share of the window that the step from each frame to the
// next repaints (the row looped once, wrapping to its first frame), as the pet window computes it.
#include "pets/PetManifestParser.h"
#include "pets/SpriteSheetDecoder.h"
#include "petwindow/FrameDamage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <cmath>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    double scale = 0.5;
    if (arguments.size() >= 2 && arguments.first() == QStringLiteral("--scale")) {
        scale = arguments.at(1).toDouble();
        arguments = arguments.mid(2);
    }
    const QString folder = arguments.value(0, QStringLiteral(TAMSEL_SOURCE_DIR "/resources/BundledPet"));
    QFile json(folder + QStringLiteral("/pet.json"));
    if (scale <= 0 || !json.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: bench_damage [--scale S] [pet folder]\n");
        return 2;
    }
    const auto manifest = PetManifestParser::parse(json.readAll(), QFileInfo(folder).fileName());
    if (!manifest) {
        std::fprintf(stderr, "%s\n", qPrintable(manifest.error().description()));
        return 1;
    }
    const auto decoder = SpriteSheetDecoder::create(
        manifest.value(), folder + QLatin1Char('/') + manifest.value().spritesheetFileName);
    if (!decoder) {
        std::fprintf(stderr, "%s\n", qPrintable(decoder.error().description()));
        return 1;
    }
    const QSize frame = decoder.value()->frameSize();
    const QSize window(int(std::lround(frame.width() * scale)), int(std::lround(frame.height() * scale)));
    std::printf(
        "window %dx%d (scale %.2f), tiles of %d px\n", window.width(), window.height(), scale, FrameDamage::tileSize);
    for (const qint64 row : decoder.value()->nonEmptyRows()) {
        const qint64 frames = decoder.value()->effectiveFrameCount(row);
        QList<QImage> scaled;
        for (qint64 column = 0; column < frames; ++column)
            scaled.append(
                decoder.value()->image(row, column).scaled(window, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        double total = 0;
        int unchanged = 0;
        for (qint64 column = 0; column < frames; ++column) {
            const QRegion changed = FrameDamage::between(scaled.at(column), scaled.at((column + 1) % frames));
            total += FrameDamage::coverage(changed, window);
            unchanged += changed.isEmpty() ? 1 : 0;
        }
        std::printf("row %lld: %lld frames, %5.1f %% of the window per step on average, %d steps change nothing\n",
            static_cast<long long>(row), static_cast<long long>(frames), 100.0 * total / double(frames), unchanged);
    }
    return 0;
}
