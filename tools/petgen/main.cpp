// petgen draws Tamsel, the pet that ships with the program, and writes its package:
//   petgen --out resources/BundledPet --sheet docs/bundled-pet.png
// It checks its own output before it finishes: the atlas must read back pixel for pixel, and
// every row must measure, by transparency, as many frames as the manifest declares.

#include "rows.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSaveFile>

#include <cstdio>

using namespace petgen;

namespace {

constexpr int Scale = 4;
constexpr int CellWidth = ArtWidth * Scale;
constexpr int CellHeight = ArtHeight * Scale;
constexpr int Columns = 8;
constexpr int AlphaThreshold = 32;

void report(const QString &line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

QImage buildAtlas(const std::vector<Row> &rows)
{
    QImage atlas(CellWidth * Columns, CellHeight * static_cast<int>(rows.size()), QImage::Format_ARGB32);
    atlas.fill(0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row &row = rows[r];
        for (std::size_t f = 0; f < row.frames.size(); ++f) {
            const QImage frame = drawCat(row.frames[f], row.mirror).toImage(Scale);
            const int left = static_cast<int>(f) * CellWidth;
            const int top = static_cast<int>(r) * CellHeight;
            for (int y = 0; y < CellHeight; ++y) {
                const auto *from = reinterpret_cast<const QRgb *>(frame.constScanLine(y));
                auto *to = reinterpret_cast<QRgb *>(atlas.scanLine(top + y)) + left;
                std::copy(from, from + CellWidth, to);
            }
        }
    }
    return atlas;
}

enum class Downscale { AreaAverage, Bilinear, Nearest };

// Counts a row's frames the way the program does: the row's strip drawn into an alpha map an
// eighth of its size, a cell counting when any of its alpha bytes exceeds the threshold, and
// the count running up to the last such cell.
int measureRow(const QImage &atlas, int row, Downscale method)
{
    const QImage strip = atlas.copy(0, row * CellHeight, Columns * CellWidth, CellHeight);
    const int w8 = strip.width() / 8;
    const int h8 = CellHeight / 8;
    QImage alpha(w8, h8, QImage::Format_Alpha8);
    alpha.fill(0);
    if (method == Downscale::AreaAverage) {
        alpha = strip.scaled(w8, h8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_Alpha8);
    } else {
        QPainter painter(&alpha);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, method == Downscale::Bilinear);
        painter.drawImage(QRect(0, 0, w8, h8), strip);
    }
    const int cellW = w8 / Columns;
    int count = 0;
    for (int i = 0; i < Columns; ++i) {
        bool filled = false;
        for (int y = 0; y < h8 && !filled; ++y) {
            const uchar *line = alpha.constScanLine(y);
            for (int x = i * cellW; x < std::min((i + 1) * cellW, w8); ++x) {
                if (line[x] > AlphaThreshold) {
                    filled = true;
                    break;
                }
            }
        }
        if (filled)
            count = i + 1;
    }
    return count;
}

struct CellStats {
    int opaque = 0;
    int visible = 0;
    int nearEdge = 0; // visible pixels within two art pixels of the cell's left or right edge
};

CellStats cellStats(const QImage &atlas, int row, int column)
{
    CellStats stats;
    const int margin = 2 * Scale;
    for (int y = 0; y < CellHeight; ++y) {
        const auto *line
            = reinterpret_cast<const QRgb *>(atlas.constScanLine(row * CellHeight + y)) + column * CellWidth;
        for (int x = 0; x < CellWidth; ++x) {
            const int a = qAlpha(line[x]);
            if (a == 0) {
                if (line[x] != 0)
                    ++stats.visible; // colour under zero alpha would not survive the encoder
                continue;
            }
            ++stats.visible;
            if (a == 255)
                ++stats.opaque;
            if (x < margin || x >= CellWidth - margin)
                ++stats.nearEdge;
        }
    }
    return stats;
}

bool checkRows(const QImage &atlas, const std::vector<Row> &rows)
{
    bool ok = true;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row &row = rows[r];
        const int declared = static_cast<int>(row.frames.size());
        const int index = static_cast<int>(r);
        const int area = measureRow(atlas, index, Downscale::AreaAverage);
        const int bilinear = measureRow(atlas, index, Downscale::Bilinear);
        const int nearest = measureRow(atlas, index, Downscale::Nearest);
        bool rowOk = area == declared && bilinear == declared && nearest == declared;
        for (int c = 0; c < Columns; ++c) {
            const CellStats stats = cellStats(atlas, index, c);
            if (c < declared && (stats.opaque == 0 || stats.nearEdge > 0))
                rowOk = false;
            if (c >= declared && stats.visible > 0)
                rowOk = false;
        }
        report(QStringLiteral("row %1 %2: %3 frames at %4 fps, measured %5/%6/%7 %8")
                   .arg(r)
                   .arg(row.name, -9)
                   .arg(declared)
                   .arg(row.fps)
                   .arg(area)
                   .arg(bilinear)
                   .arg(nearest)
                   .arg(rowOk ? QStringLiteral("ok") : QStringLiteral("MISMATCH")));
        ok = ok && rowOk;
    }
    return ok;
}

bool writeAtlas(const QImage &atlas, const QString &path)
{
    QImageWriter writer(path, "webp");
    writer.setQuality(100); // lossless
    if (!writer.write(atlas)) {
        report(QStringLiteral("writing %1 failed: %2").arg(path, writer.errorString()));
        return false;
    }
    QImageReader reader(path);
    QImage back = reader.read();
    if (back.isNull()) {
        report(QStringLiteral("reading %1 back failed: %2").arg(path, reader.errorString()));
        return false;
    }
    back = back.convertToFormat(QImage::Format_ARGB32);
    if (back.size() != atlas.size()) {
        report(QStringLiteral("%1 reads back at the wrong size").arg(path));
        return false;
    }
    qint64 differing = 0;
    for (int y = 0; y < atlas.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(atlas.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(back.constScanLine(y));
        for (int x = 0; x < atlas.width(); ++x)
            differing += a[x] != b[x] ? 1 : 0;
    }
    report(QStringLiteral("%1: %2 x %3, %4 bytes, %5 pixels differ after reading back")
               .arg(path)
               .arg(atlas.width())
               .arg(atlas.height())
               .arg(QFileInfo(path).size())
               .arg(differing));
    return differing == 0;
}

QJsonObject manifest(const std::vector<Row> &rows)
{
    QJsonObject animations;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const QString &state : rows[r].states) {
            animations.insert(state,
                QJsonObject {
                    { QStringLiteral("row"), static_cast<int>(r) },
                    { QStringLiteral("frameCount"), static_cast<int>(rows[r].frames.size()) },
                    { QStringLiteral("fps"), rows[r].fps },
                    { QStringLiteral("loop"), rows[r].loop },
                });
        }
    }
    return QJsonObject {
        { QStringLiteral("id"), QStringLiteral("tamsel") },
        { QStringLiteral("displayName"), QStringLiteral("Tamsel") },
        { QStringLiteral("description"),
            QStringLiteral("A tiny cream chibi cat who keeps you company while you work. Breathes, blinks, "
                           "scampers along the screen, waves, jumps, yawns, taps a foot, dances and reads over your "
                           "notes.") },
        { QStringLiteral("spritesheet"), QStringLiteral("spritesheet.webp") },
        { QStringLiteral("frameWidth"), CellWidth },
        { QStringLiteral("frameHeight"), CellHeight },
        { QStringLiteral("columns"), Columns },
        { QStringLiteral("animations"), animations },
    };
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        report(QStringLiteral("writing %1 failed: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

QString facing(const Row &row)
{
    if (row.frames.empty() || !row.frames.front().profile)
        return {};
    return row.mirror ? QStringLiteral("\nheads left") : QStringLiteral("\nheads right");
}

// Every row side by side on a checkerboard, with its name, frame count and rate.
QImage contactSheet(const QImage &atlas, const std::vector<Row> &rows, int pixel)
{
    const int cellW = ArtWidth * pixel;
    const int cellH = ArtHeight * pixel;
    const int labelW = 46 * pixel + 40;
    const int gap = 2;
    const int headerH = 12 * pixel;
    const int rowsCount = static_cast<int>(rows.size());
    QImage sheet(
        labelW + Columns * (cellW + gap) + gap, headerH + rowsCount * (cellH + gap) + gap, QImage::Format_RGB32);
    sheet.fill(QColor(0x3b, 0x3f, 0x46));
    QPainter painter(&sheet);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(11, 5 * pixel));
    painter.setFont(font);
    painter.setPen(QColor(0xf2, 0xf2, 0xf2));
    painter.drawText(QRect(gap + 4, 0, sheet.width(), headerH), Qt::AlignVCenter,
        QStringLiteral("Tamsel, the built-in pet: %1 rows of %2 x %3 cells")
            .arg(rowsCount)
            .arg(CellWidth)
            .arg(CellHeight));
    const int square = 4 * pixel;
    for (int r = 0; r < rowsCount; ++r) {
        const Row &row = rows[static_cast<std::size_t>(r)];
        const int top = headerH + gap + r * (cellH + gap);
        painter.setPen(QColor(0xf2, 0xf2, 0xf2));
        painter.drawText(QRect(gap + 4, top, labelW - 8, cellH), Qt::AlignVCenter | Qt::TextWordWrap,
            QStringLiteral("%1  %2\n%3 frames\n%4 fps, %5%6")
                .arg(r)
                .arg(row.name)
                .arg(row.frames.size())
                .arg(row.fps)
                .arg(row.loop ? QStringLiteral("loops") : QStringLiteral("once"))
                .arg(facing(row)));
        for (int c = 0; c < Columns; ++c) {
            const int left = labelW + gap + c * (cellW + gap);
            const bool used = c < static_cast<int>(row.frames.size());
            for (int y = 0; y < cellH; y += square) {
                for (int x = 0; x < cellW; x += square) {
                    const bool dark = ((x / square) + (y / square)) % 2 == 1;
                    const QColor colour = used ? (dark ? QColor(0xb4, 0xb8, 0xbe) : QColor(0xcc, 0xd0, 0xd6))
                                               : (dark ? QColor(0x50, 0x54, 0x5b) : QColor(0x58, 0x5c, 0x63));
                    painter.fillRect(
                        left + x, top + y, std::min(square, cellW - x), std::min(square, cellH - y), colour);
                }
            }
            const QImage cell = atlas.copy(c * CellWidth, r * CellHeight, CellWidth, CellHeight)
                                    .scaled(cellW, cellH, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            painter.drawImage(left, top, cell);
        }
    }
    painter.end();
    return sheet;
}

}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the built-in pet and writes its package."));
    parser.addHelpOption();
    const QCommandLineOption outOption(QStringLiteral("out"),
        QStringLiteral("Package folder to write pet.json and spritesheet.webp into."), QStringLiteral("folder"));
    const QCommandLineOption sheetOption(
        QStringLiteral("sheet"), QStringLiteral("Also write a contact sheet (PNG)."), QStringLiteral("file"));
    const QCommandLineOption pixelOption(QStringLiteral("sheet-pixel"),
        QStringLiteral("Size of one art pixel in the contact sheet (default 2)."), QStringLiteral("n"),
        QStringLiteral("2"));
    parser.addOptions({ outOption, sheetOption, pixelOption });
    parser.process(app);
    if (!parser.isSet(outOption) && !parser.isSet(sheetOption)) {
        parser.showHelp(1);
    }

    const std::vector<Row> rows = tamselRows();
    const QImage atlas = buildAtlas(rows);
    bool ok = checkRows(atlas, rows);

    if (parser.isSet(outOption)) {
        const QString folder = parser.value(outOption);
        if (!QDir().mkpath(folder)) {
            report(QStringLiteral("cannot create %1").arg(folder));
            return 1;
        }
        ok = writeAtlas(atlas, QDir(folder).filePath(QStringLiteral("spritesheet.webp"))) && ok;
        ok = writeFile(QDir(folder).filePath(QStringLiteral("pet.json")),
                 QJsonDocument(manifest(rows)).toJson(QJsonDocument::Indented))
            && ok;
    }
    if (parser.isSet(sheetOption)) {
        bool pixelOk = false;
        const int pixel = parser.value(pixelOption).toInt(&pixelOk);
        if (!pixelOk || pixel < 1 || pixel > Scale) {
            report(QStringLiteral("--sheet-pixel must be between 1 and %1").arg(Scale));
            return 1;
        }
        const QString path = parser.value(sheetOption);
        QImageWriter writer(path, "png");
        writer.setQuality(0); // smallest file; PNG stays lossless
        if (!writer.write(contactSheet(atlas, rows, pixel))) {
            report(QStringLiteral("writing %1 failed: %2").arg(path, writer.errorString()));
            ok = false;
        }
    }
    if (!ok)
        report(QStringLiteral("petgen: the output did not pass its checks"));
    return ok ? 0 : 1;
}
