#pragma once

#include <QByteArray>
#include <QString>

// Small pet packages generated on the fly: a pet.json and a WebP atlas of 2 x 2 cells.
namespace PetFixtures {

QByteArray manifest(const QString &id, const QString &displayName);
// A 384 x 416 WebP image: room for the default cell (192 x 208) and for manifest()'s 32 x 32.
QByteArray atlas();
// A lossless WebP whose header claims width x height, followed by a few bytes of nothing.
QByteArray webpClaiming(quint32 width, quint32 height);

// Creates folder (with parents) holding pet.json = manifestData and, unless atlasData is null,
// spritesheet.webp = atlasData. Returns the folder's path.
QString writePackage(const QString &folder, const QByteArray &manifestData, const QByteArray &atlasData = atlas());
QString writePet(const QString &folder, const QString &id, const QString &displayName);

void writeFile(const QString &path, const QByteArray &data);
QByteArray readFile(const QString &path);

}
