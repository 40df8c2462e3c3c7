// Imports arbitrary bytes as a .zip into a scratch library and checks that nothing is written
// outside the library and the work folder, and that no work or staging folder is left behind.
#include "pets/PetLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr auto allEntries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

struct Sandbox {
    QTemporaryDir dir;
    QString zipPath;
    QString root;
    QString work;
    std::unique_ptr<PetLibrary> library;
};

Sandbox &sandbox()
{
    static Sandbox box = [] {
        Sandbox created;
        require(created.dir.isValid());
        created.zipPath = created.dir.filePath(QStringLiteral("input.zip"));
        created.root = created.dir.filePath(QStringLiteral("library/Pets"));
        created.work = created.dir.filePath(QStringLiteral("work"));
        require(QDir().mkpath(created.work));
        // Small limits keep each run quick and make the fuzzer reach them.
        created.library = std::make_unique<PetLibrary>(
            PetLibrary::Locations { created.root, {}, {}, {}, created.work }, ImportLimits { 200, 1 << 20, 4 << 20 });
        return created;
    }();
    return box;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Image plugins are found through the application object.
    static QCoreApplication application(*argc, *argv);
    // Every refused archive logs a line; printing them would dominate the run time.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    sandbox();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Sandbox &box = sandbox();
    {
        QFile zip(box.zipPath);
        require(zip.open(QIODevice::WriteOnly | QIODevice::Truncate));
        require(zip.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }

    const auto result = box.library->importZip(box.zipPath);

    require(QDir(box.dir.path()).entryList(allEntries).size() == 3); // input.zip, library, work
    require(QDir(box.dir.filePath(QStringLiteral("library"))).entryList(allEntries)
        == QStringList { QStringLiteral("Pets") });
    require(QDir(box.work).isEmpty(allEntries));
    const QFileInfoList pets = QDir(box.root).entryInfoList(allEntries);
    for (const QFileInfo &pet : pets)
        require(!pet.fileName().startsWith(u'.') && pet.isDir() && !pet.isSymLink());
    if (result)
        require(QFileInfo(result.value().folderPath).absolutePath() == box.root && pets.size() == 1);
    else
        require(pets.isEmpty());

    for (const QFileInfo &pet : pets)
        require(QDir(pet.filePath()).removeRecursively());
    return 0;
}
