// appicon draws the program's icon, the built-in cat's face, at the icon theme's sizes:
//   appicon --out resources/icons
// writes tamsel-<size>.png for every size the desktop's hicolor theme lists.

#include "cat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdio>

using namespace petgen;

namespace {

constexpr int ArtSize = 32;
constexpr int Sizes[] = { 16, 22, 24, 32, 48, 64, 128, 256, 512 };

// The face on a square of the art grid, centred: ears at the top, the chin two rows above the edge.
QImage face()
{
    return drawHead(Pose {}, ArtSize / 2, 18).toImage(1).copy(0, 0, ArtSize, ArtSize);
}

// Whole multiples of the art stay crisp pixel art; the other sizes are averaged down from the
// next multiple up, which keeps the features legible at 16 pixels.
QImage atSize(const QImage &art, int size)
{
    const int multiple = (size + ArtSize - 1) / ArtSize;
    const QImage sharp
        = art.scaled(multiple * ArtSize, multiple * ArtSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (sharp.width() == size)
        return sharp;
    return sharp.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool save(const QImage &image, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "png");
    writer.setQuality(0); // smallest file: PNG is lossless at every quality
    return writer.write(image) && file.commit();
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder for the icons."), QStringLiteral("dir"));
    parser.addOption(out);
    parser.process(app);
    if (!parser.isSet(out))
        parser.showHelp(2);

    const QDir folder(parser.value(out));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;
    const QImage art = face();
    for (int size : Sizes) {
        const QString path = folder.filePath(QStringLiteral("tamsel-%1.png").arg(size));
        if (!save(atSize(art, size), path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::fprintf(stderr, "wrote %zu icons to %s\n", std::size(Sizes), qPrintable(folder.path()));
    return 0;
}
