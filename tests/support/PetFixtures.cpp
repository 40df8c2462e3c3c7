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
        QImage image(64, 64, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int y = 8; y < 56; ++y)
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
