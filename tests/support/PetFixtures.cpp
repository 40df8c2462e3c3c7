#include "support/PetFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

namespace PetFixtures {

QByteArray manifest(const QString &id, const QString &displayName)
{
    const QJsonObject object {
        { QStringLiteral("id"), id },
        { QStringLiteral("displayName"), displayName },
        { QStringLiteral("frameWidth"), 32 },
        { QStringLiteral("frameHeight"), 32 },
        { QStringLiteral("columns"), 2 },
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray atlas()
{
    static const QByteArray encoded = [] {
        QImage image(384, 416, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int y = 8; y < 376; ++y)
            image.setPixel(y, y, qRgba(200, 80, 40, 255));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "WEBP"))
            qFatal("PetFixtures: this Qt cannot write WebP");
        return bytes;
    }();
    return encoded;
}

namespace {
void appendLittleEndian32(QByteArray &bytes, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}
}

QByteArray webpClaiming(quint32 width, quint32 height)
{
    QByteArray chunk;
    chunk.append(char(0x2F)); // VP8L signature
    const quint32 bits = (width - 1) | ((height - 1) << 14) | (1u << 28); // alpha used, version 0
    appendLittleEndian32(chunk, bits);
    chunk.append(QByteArray(16, '\0'));
    QByteArray riff("WEBPVP8L");
    appendLittleEndian32(riff, quint32(chunk.size()));
    riff.append(chunk);
    QByteArray file("RIFF");
    appendLittleEndian32(file, quint32(riff.size()));
    file.append(riff);
    return file;
}

QString writePackage(const QString &folder, const QByteArray &manifestData, const QByteArray &atlasData)
{
    QDir().mkpath(folder);
    writeFile(folder + QStringLiteral("/pet.json"), manifestData);
    if (!atlasData.isNull())
        writeFile(folder + QStringLiteral("/spritesheet.webp"), atlasData);
    return folder;
}

QString writePet(const QString &folder, const QString &id, const QString &displayName)
{
    return writePackage(folder, manifest(id, displayName));
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        qFatal("PetFixtures: cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}
