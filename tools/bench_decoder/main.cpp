// Decodes an atlas N times with SpriteSheetDecoder and prints the median time of the decode, of
// measuring every row (nonEmptyRows) and of both together. Not a test: run by hand in a Release build.
#include "pets/PetManifestParser.h"
#include "pets/SpriteSheetDecoder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// An 8 x 9-cell atlas of 192 x 208 cells with anti-aliased shapes and gradients in every used cell
// and rows of different lengths, saved as lossless WebP.
bool writeGeneratedAtlas(const QString &path)
{
    constexpr int cellWidth = 192, cellHeight = 208, columns = 8, rows = 9;
    QImage atlas(columns * cellWidth, rows * cellHeight, QImage::Format_ARGB32_Premultiplied);
    atlas.fill(Qt::transparent);
    QPainter painter(&atlas);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < rows; ++row) {
        const int frames = 8 - (row % 4); // 8, 7, 6, 5, 8, ...
        for (int column = 0; column < frames; ++column) {
            const QPointF centre(column * cellWidth + 96 + (column % 3) * 6, row * cellHeight + 120 - (column % 2) * 8);
            QRadialGradient body(centre, 70);
            body.setColorAt(0, QColor(250, 235, 210));
            body.setColorAt(1, QColor(200, 150, 110));
            painter.setPen(QPen(QColor(60, 40, 30), 3));
            painter.setBrush(body);
            painter.drawEllipse(centre, 64, 56);
            painter.drawEllipse(centre + QPointF(0, -62), 44, 38);
            painter.setBrush(QColor(30, 30, 30));
            painter.drawEllipse(centre + QPointF(-15, -66), 5, 7);
            painter.drawEllipse(centre + QPointF(15, -66), 5, 7);
            painter.setBrush(QColor(0, 0, 0, 60)); // a soft shadow
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(QPointF(centre.x(), row * cellHeight + 196), 50, 8);
        }
    }
    painter.end();
    QImageWriter writer(path, "webp");
    writer.setQuality(100); // lossless
    return writer.write(atlas);
}

// CPU time of the whole process (Qt's smooth scaling may use helper threads), in milliseconds.
// Unlike wall time it hardly changes when other programs load the machine.
double processCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times SpriteSheetDecoder: decode + measuring all rows."));
    parser.addHelpOption();
    const QCommandLineOption iterationsOption(QStringList { QStringLiteral("n"), QStringLiteral("iterations") },
        QStringLiteral("Runs (default 30)."), QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption generateOption(
        QStringLiteral("generate"), QStringLiteral("Time a generated 8 x 9-cell 192 x 208 atlas instead."));
    parser.addOption(iterationsOption);
    parser.addOption(generateOption);
    parser.addPositionalArgument(QStringLiteral("atlas"),
        QStringLiteral("Atlas to decode (default: resources/BundledPet/spritesheet.webp); a pet.json beside it "
                       "supplies the cell size."));
    parser.process(app);

    bool ok = false;
    const int iterations = parser.value(iterationsOption).toInt(&ok);
    if (!ok || iterations < 1) {
        std::fprintf(stderr, "bench_decoder: --iterations needs a positive number\n");
        return 2;
    }

    QString atlasPath = parser.positionalArguments().value(
        0, QStringLiteral(TAMSEL_SOURCE_DIR "/resources/BundledPet/spritesheet.webp"));
    QTemporaryDir temporary;
    if (parser.isSet(generateOption) || !QFileInfo::exists(atlasPath)) {
        if (!parser.isSet(generateOption))
            std::fprintf(stderr, "bench_decoder: %s not found; using a generated atlas\n", qPrintable(atlasPath));
        atlasPath = temporary.filePath(QStringLiteral("spritesheet.webp"));
        if (!temporary.isValid() || !writeGeneratedAtlas(atlasPath)) {
            std::fprintf(stderr, "bench_decoder: cannot write the generated atlas\n");
            return 1;
        }
    }

    PetManifest manifest;
    const QFileInfo atlasInfo(atlasPath);
    QFile manifestFile(atlasInfo.dir().filePath(QStringLiteral("pet.json")));
    if (manifestFile.open(QIODevice::ReadOnly)) {
        auto parsed = PetManifestParser::parse(manifestFile.readAll(), atlasInfo.dir().dirName());
        if (parsed.ok())
            manifest = parsed.value();
    }

    QList<double> decodeMs, measureMs, totalMs, cpuMs;
    std::shared_ptr<SpriteSheetDecoder> last;
    for (int i = 0; i < iterations; ++i) {
        const double cpuStart = processCpuMs();
        QElapsedTimer timer;
        timer.start();
        auto decoder = SpriteSheetDecoder::create(manifest, atlasPath);
        const qint64 decoded = timer.nsecsElapsed();
        if (!decoder.ok()) {
            std::fprintf(stderr, "bench_decoder: %s\n", qPrintable(decoder.error().description()));
            return 1;
        }
        decoder.value()->nonEmptyRows();
        const qint64 measured = timer.nsecsElapsed();
        decodeMs.append(decoded / 1e6);
        measureMs.append((measured - decoded) / 1e6);
        totalMs.append(measured / 1e6);
        cpuMs.append(processCpuMs() - cpuStart);
        last = decoder.value();
    }

    std::printf("atlas      %s (%lld bytes, %d x %d, cells %lld x %lld, %lld columns)\n", qPrintable(atlasPath),
        atlasInfo.size(), last->pixelWidth(), last->pixelHeight(), manifest.frameWidth, manifest.frameHeight,
        manifest.columns);
    std::printf("stored     %lld bytes of compressed tiles\n", qint64(last->storedBytes()));
    std::printf("rows       ");
    for (const qint64 row : last->nonEmptyRows())
        std::printf("%lld:%lld ", row, last->effectiveFrameCount(row));
    std::printf("\n");
    std::printf("iterations %d\n", iterations);
    std::printf("median     decode %.2f ms, measure all rows %.2f ms, total %.2f ms\n", median(decodeMs),
        median(measureMs), median(totalMs));
    std::printf("min total  %.2f ms\n", *std::min_element(totalMs.cbegin(), totalMs.cend()));
    std::printf("median cpu %.2f ms (process CPU time of decode + measure)\n", median(cpuMs));
    return 0;
}
