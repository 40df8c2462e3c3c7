// Feeds arbitrary bytes to the pet.json parser and checks the guarantees its users rely on.
#include "pets/PetManifestParser.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkIdentifier(const QString &id)
{
    require(PetManifestParser::normalizeID(id) == id);
    require(!id.startsWith(u'-') && !id.endsWith(u'-') && !id.contains(QStringLiteral("--")));
    require(!id.contains(u'/') && !id.contains(u'_') && id != QStringLiteral(".."));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // The same bytes as a folder name exercise the id and title-case rules on arbitrary text.
    const QString text = QString::fromUtf8(bytes.left(512));
    checkIdentifier(PetManifestParser::normalizeID(text));
    PetManifestParser::titleCase(text);

    const auto result = PetManifestParser::parse(bytes, text);
    if (!result)
        return 0;
    const PetManifest &manifest = result.value();
    checkIdentifier(manifest.id);
    require(!manifest.spritesheetFileName.isEmpty());
    for (const PetAnimationState state : PetAnimationStates::all()) {
        const PetAnimation animation = manifest.animation(state);
        require(animation.state == state);
        require(animation.frameCount >= 1 && animation.fps >= 1.0);
    }
    return 0;
}
