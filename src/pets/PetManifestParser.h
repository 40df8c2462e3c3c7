#pragma once

#include "foundation/Result.h"
#include "pets/PetManifest.h"
#include "pets/PetManifestError.h"

#include <QByteArray>
#include <QString>

// Reads pet.json leniently: each field has alternative key names and a default, so manifests
// written for the Nimbo layout load unchanged. Only malformed JSON and a non-object top level fail.
namespace PetManifestParser {
Result<PetManifest, PetManifestError> parse(const QByteArray &data, const QString &folderName);

// Lower-cases, turns every run of characters that are not letters, marks or digits into one "-",
// and drops "-" at both ends: "My Cool_Pet!" -> "my-cool-pet". Only symbols -> "".
QString normalizeID(const QString &text);

// "cool_pet-2" -> "Cool Pet 2".
QString titleCase(const QString &text);
}
