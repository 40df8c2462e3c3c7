#include "pets/PetLibrary.h"
#include "pets/StagingFolder.h"

#include "support/PetFixtures.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSysInfo>

#include <sys/stat.h>

using PetFixtures::writePet;

class TestPetLibrary : public QObject {
    Q_OBJECT

public:
    explicit TestPetLibrary(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    QString base() const { return m_env->home(); }
    QString root() const { return base() + "/data/tamsel/Pets"; }
    QString olderRoot() const { return base() + "/data/Tamsel Desk/Pets"; }
    QString bundled() const { return base() + "/resources/BundledPet"; }
    QString nimbo() const { return base() + "/.nimbo/pets"; }
    QString outside() const { return base() + "/outside"; }

    PetLibrary::Locations locations() const { return { root(), olderRoot(), bundled(), nimbo(), base() + "/work" }; }

    static QStringList ids(const QList<PetPackage> &packages)
    {
        QStringList result;
        for (const PetPackage &package : packages)
            result.append(package.manifest.id);
        return result;
    }

    // Everything in the root, hidden entries included: imports must not leave staging folders.
    QStringList rootEntries() const
    {
        return QDir(root()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    static std::optional<PetValidationError::Kind> validationKind(const PetValidator &validator, const QString &folder)
    {
        const auto result = validator.validateFolder(folder);
        if (result.ok() || !result.error().validationError())
            return std::nullopt;
        return result.error().validationError()->kind();
    }

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void validatorReportsWhatIsWrongWithAFolder()
    {
        using Kind = PetValidationError::Kind;
        const PetValidator validator;
        const QString folder = base() + "/pkg";

        QCOMPARE(validationKind(validator, base() + "/absent"), Kind::UnreachableLocation);
        PetFixtures::writeFile(base() + "/plain-file", "x");
        QCOMPARE(validationKind(validator, base() + "/plain-file"), Kind::UnreachableLocation);
        QDir().mkpath(folder);
        QCOMPARE(validationKind(validator, folder), Kind::MissingManifest);

        PetFixtures::writeFile(folder + "/pet.json", "{}");
        QCOMPARE(validationKind(validator, folder), Kind::MissingSpritesheet);
        PetFixtures::writeFile(folder + "/spritesheet.webp", PetFixtures::atlas());
        auto package = validator.validateFolder(folder);
        QVERIFY(package.ok());
        QCOMPARE(package.value().manifest.id, "pkg");
        QCOMPARE(package.value().folderPath, folder);

        // A manifest naming a missing atlas falls back to spritesheet.webp but keeps the name.
        PetFixtures::writeFile(folder + "/pet.json", R"({"spritesheet": "missing.png"})");
        package = validator.validateFolder(folder);
        QVERIFY(package.ok());
        QCOMPARE(package.value().manifest.spritesheetFileName, "missing.png");

        PetFixtures::writeFile(folder + "/pet.json", "[]");
        QCOMPARE(validator.validateFolder(folder).error().description(),
            "pet.json could not be parsed: Root is not an object");
    }

    // Whatever validates must load: the same limits as the decoder, and a cell the atlas holds.
    void validatorRefusesWhatCannotBeShown_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QByteArray>("atlas");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        const QString unreadable
            = "spritesheet.webp could not be decoded. The file may be corrupted or use an unsupported format.";
        const QByteArray atlas = PetFixtures::atlas(); // 384 x 416

        QTest::newRow("default cell") << QByteArray("{}") << atlas << QString();
        QTest::newRow("not an image") << QByteArray("{}") << QByteArray("RIFF but not really an image") << unreadable;
        QTest::newRow("header claiming 16383 x 16383")
            << QByteArray("{}") << PetFixtures::webpClaiming(16383, 16383) << unreadable;
        const QString noCell = "The frame size in pet.json does not fit in spritesheet.webp, so no frame can be shown.";
        QTest::newRow("cell near 2^63 tall")
            << QByteArray(R"({"frameHeight": 9223372036854775000})") << atlas << noCell;
        QTest::newRow("cell wider than the atlas") << QByteArray(R"({"frameWidth": 385})") << atlas << noCell;
        QTest::newRow("no whole row") << QByteArray(R"({"frameHeight": 417})") << atlas << noCell;
        QTest::newRow("empty cell") << QByteArray(R"({"frameWidth": 0})") << atlas << noCell;
        QTest::newRow("negative cell") << QByteArray(R"({"frameHeight": -208})") << atlas << noCell;
        QTest::newRow("cell as large as the atlas")
            << QByteArray(R"({"frameWidth": 384, "frameHeight": 416})") << atlas << QString();
    }
    void validatorRefusesWhatCannotBeShown()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QByteArray, atlas);
        QFETCH(QString, refusal);
        const auto result = PetValidator().validateFolder(PetFixtures::writePackage(base() + "/pkg", manifest, atlas));
        QCOMPARE(result.ok() ? QString() : result.error().description(), refusal);
    }

    void validatorDoesNotReachOutOfThePackage()
    {
        using Kind = PetValidationError::Kind;
        const PetValidator validator;
        const QString folder = base() + "/pkg";
        PetFixtures::writeFile(outside() + "/sheet.webp", PetFixtures::atlas());
        PetFixtures::writeFile(outside() + "/pet.json", "{}");

        QDir().mkpath(folder);
        QVERIFY(QFile::link(outside() + "/pet.json", folder + "/pet.json"));
        QCOMPARE(validationKind(validator, folder), Kind::MissingManifest);

        QFile::remove(folder + "/pet.json");
        PetFixtures::writeFile(folder + "/pet.json", R"({"spritesheet": "../outside/sheet.webp"})");
        QCOMPARE(validationKind(validator, folder), Kind::MissingSpritesheet);
        PetFixtures::writeFile(
            folder + "/pet.json", "{\"spritesheet\": \"" + (outside() + "/sheet.webp").toUtf8() + "\"}");
        QCOMPARE(validationKind(validator, folder), Kind::MissingSpritesheet);
        QVERIFY(QFile::link(outside() + "/sheet.webp", folder + "/spritesheet.webp"));
        QCOMPARE(validationKind(validator, folder), Kind::MissingSpritesheet);

        // A link that stays inside the package is fine.
        QFile::remove(folder + "/spritesheet.webp");
        PetFixtures::writeFile(folder + "/art/v2.webp", PetFixtures::atlas());
        QVERIFY(QFile::link(folder + "/art/v2.webp", folder + "/spritesheet.webp"));
        QVERIFY(validator.validateFolder(folder).ok());

        // A fifo must not block the validator, and an oversized manifest is not parsed.
        QFile::remove(folder + "/pet.json");
        QCOMPARE(::mkfifo(QFile::encodeName(folder + "/pet.json").constData(), 0600), 0);
        QCOMPARE(validator.validateFolder(folder).error().kind(), PetPackageError::Kind::Manifest);
        QFile::remove(folder + "/pet.json");
        PetFixtures::writeFile(
            folder + "/pet.json", "{\"pad\": \"" + QByteArray(PetValidator::maxManifestBytes, 'a') + "\"}");
        QCOMPARE(validator.validateFolder(folder).error().description(),
            "pet.json could not be parsed: The file is larger than 1 MB.");
    }

    void importReplacesThePetWithTheSameID()
    {
        PetLibrary library(locations());
        PetFixtures::writeFile(writePet(base() + "/first", "fox", "Fox One") + "/notes/old.txt", "old");
        const auto first = library.importFolder(base() + "/first");
        QVERIFY(first.ok());
        QCOMPARE(first.value().folderPath, root() + "/fox");
        QVERIFY(QFile::exists(root() + "/fox/notes/old.txt"));

        PetFixtures::writeFile(writePet(base() + "/second", "Fox", "Fox Two") + "/.hidden", "kept");
        const auto second = library.importFolder(base() + "/second");
        QVERIFY(second.ok());
        QCOMPARE(second.value().manifest.displayName, "Fox Two");
        QCOMPARE(ids(library.loadLibrary()), QStringList { "fox" });
        QVERIFY(!QFile::exists(root() + "/fox/notes/old.txt"));
        QCOMPARE(PetFixtures::readFile(root() + "/fox/.hidden"), "kept");
        QCOMPARE(rootEntries(), QStringList { "fox" });
        // The source is untouched.
        QVERIFY(library.validator().validateFolder(base() + "/second").ok());
    }

    void failedImportKeepsTheInstalledPet()
    {
        PetLibrary library(locations(), ImportLimits { 20, 4096, 8192 });
        QVERIFY(library.importFolder(writePet(base() + "/good", "fox", "Good Fox")).ok());

        // Valid at the source, but the atlas is a link, which is not copied: the copy is refused.
        const QString linked = base() + "/linked";
        PetFixtures::writePackage(linked, PetFixtures::manifest("fox", "Linked Fox"), {});
        PetFixtures::writeFile(linked + "/art/sheet.webp", PetFixtures::atlas());
        QVERIFY(QFile::link(linked + "/art/sheet.webp", linked + "/spritesheet.webp"));
        QVERIFY(library.validator().validateFolder(linked).ok());
        const auto viaLink = library.importFolder(linked);
        QVERIFY(!viaLink.ok());
        QCOMPARE(viaLink.error().validationError()->kind(), PetValidationError::Kind::MissingSpritesheet);

        // Over the size limits.
        const QString big = writePet(base() + "/big", "fox", "Big Fox");
        PetFixtures::writeFile(big + "/padding.bin", QByteArray(5000, 'x'));
        QCOMPARE(library.importFolder(big).error().kind(), PetPackageError::Kind::TooLarge);
        QFile::remove(big + "/padding.bin");
        for (int i = 0; i < 25; ++i)
            PetFixtures::writeFile(big + "/many/" + QString::number(i), "x");
        QCOMPARE(library.importFolder(big).error().kind(), PetPackageError::Kind::TooLarge);

        const auto listed = library.loadLibrary();
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().manifest.displayName, "Good Fox");
        QCOMPARE(rootEntries(), QStringList { "fox" });
    }

    void importCopiesNoLinksOrSpecialFiles()
    {
        PetLibrary library(locations());
        const QString source = writePet(base() + "/src", "owl", "Owl");
        PetFixtures::writeFile(outside() + "/secret.txt", "secret");
        QVERIFY(QFile::link(outside() + "/secret.txt", source + "/secret.txt"));
        QVERIFY(QFile::link(outside(), source + "/outside-dir"));
        QCOMPARE(::mkfifo(QFile::encodeName(source + "/pipe").constData(), 0600), 0);
        PetFixtures::writeFile(source + "/sub/real.txt", "real");

        QVERIFY(library.importFolder(source).ok());
        const QDir copy(root() + "/owl");
        QCOMPARE(copy.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList { "pet.json", "spritesheet.webp", "sub" }));
        QCOMPARE(PetFixtures::readFile(copy.filePath("sub/real.txt")), "real");
    }

    void identifiersThatNameNoFolderAreRefused()
    {
        PetLibrary library(locations());
        QVERIFY(library.importFolder(writePet(base() + "/keep", "keep", "Keep")).ok());

        const auto symbols = library.importFolder(PetFixtures::writePackage(base() + "/a", R"({"id": "!!!"})"));
        QCOMPARE(symbols.error().kind(), PetPackageError::Kind::InvalidIdentifier);
        // Without an id the folder name is used, and it may be just as empty.
        const auto folderName = library.importFolder(PetFixtures::writePackage(base() + "/___", "{}"));
        QCOMPARE(folderName.error().kind(), PetPackageError::Kind::InvalidIdentifier);
        QCOMPARE(ids(library.loadLibrary()), QStringList { "keep" });
    }

    void importingTheLibrarysOwnCopyIsHarmless()
    {
        PetLibrary library(locations());
        QVERIFY(library.importFolder(writePet(base() + "/src", "cat", "Cat")).ok());
        PetFixtures::writeFile(root() + "/cat/extra.txt", "mine");

        const auto again = library.importFolder(root() + "/cat");
        QVERIFY(again.ok());
        QCOMPARE(again.value().folderPath, root() + "/cat");
        QVERIFY(QFile::link(root() + "/cat", base() + "/cat-link"));
        QVERIFY(library.importFolder(base() + "/cat-link").ok());
        QCOMPARE(PetFixtures::readFile(root() + "/cat/extra.txt"), "mine");
        QCOMPARE(rootEntries(), QStringList { "cat" });

        // A package inside the installed copy may replace it; the copy is taken first.
        writePet(root() + "/cat/inner", "cat", "Inner Cat");
        const auto inner = library.importFolder(root() + "/cat/inner");
        QVERIFY(inner.ok());
        QCOMPARE(inner.value().manifest.displayName, "Inner Cat");
        QCOMPARE(rootEntries(), QStringList { "cat" });

        // A folder holding the library itself is refused instead of copied into itself.
        writePet(base() + "/data", "data", "Data");
        QCOMPARE(library.importFolder(base() + "/data").error().kind(), PetPackageError::Kind::FileOperation);
    }

    void launchCleanupRemovesOnlyAbandonedStaging()
    {
        PetLibrary library(locations());
        const QString work = base() + "/work";
        const QString uuid = "0F8E2B1A-1111-4222-8333-0123456789AB";
        const QString other = "0F8E2B1A-1111-4222-8333-BA9876543210";
        // Left by runs that died: no lock, or a lock naming a process that no longer exists.
        for (const QString &folder : QStringList {
                 root() + "/.tam-import-" + uuid, root() + "/.tam-deleted-" + uuid, work + "/tam-import-" + uuid })
            PetFixtures::writeFile(folder + "/spritesheet.webp", "x");
        PetFixtures::writeFile(root() + "/.tam-deleted-" + uuid + ".lock",
            "2147483646\ntamsel\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        PetFixtures::writeFile(root() + "/.tam-replaced-" + other + ".lock", "2147483646\ntamsel\n\n");
        // Held by a running instance (this one).
        const StagingFolder busy(work, "tam-import-");
        PetFixtures::writeFile(busy.path() + "/pet.json", "{}");
        // Not ours: a pet, a name without a UUID, a link that only looks like staging.
        writePet(root() + "/owl", "owl", "Owl");
        PetFixtures::writeFile(work + "/tam-import-notes/x", "x");
        PetFixtures::writeFile(outside() + "/keep.txt", "keep");
        QVERIFY(QFile::link(outside(), root() + "/.tam-import-" + other));

        QCOMPARE(library.removeStaleStaging(),
            (QStringList {
                root() + "/.tam-deleted-" + uuid, root() + "/.tam-import-" + uuid, work + "/tam-import-" + uuid }));
        QCOMPARE(rootEntries(), (QStringList { ".tam-import-" + other, "owl" }));
        QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList {
                QFileInfo(busy.path()).fileName(), QFileInfo(busy.path()).fileName() + ".lock", "tam-import-notes" }));
        QCOMPARE(PetFixtures::readFile(outside() + "/keep.txt"), "keep");
    }

    void listingIsSortedCaseInsensitivelyAndStably()
    {
        PetLibrary library(locations());
        writePet(root() + "/c", "c", "cherry");
        writePet(root() + "/b", "b", "Banana");
        writePet(root() + "/a", "a", "apple");
        // Equal but for case: the listing (by folder name) decides.
        writePet(root() + "/twin-2", "twin-2", "twin");
        writePet(root() + "/twin-1", "twin-1", "Twin");
        writePet(root() + "/.hidden", "hidden", "Aardvark");
        writePet(outside() + "/linked", "linked", "Aaa");
        QVERIFY(QFile::link(outside() + "/linked", root() + "/linked"));
        QDir().mkpath(root() + "/empty");
        PetFixtures::writeFile(root() + "/stray.txt", "x");

        QCOMPARE(ids(library.loadLibrary()), (QStringList { "a", "b", "c", "twin-1", "twin-2" }));
    }

    void listingIsKeptUntilTheLibraryChanges()
    {
        PetLibrary library(locations());
        QVERIFY(library.importFolder(writePet(base() + "/src/ant", "ant", "Ant")).ok());
        QCOMPARE(ids(library.loadLibrary()), QStringList { "ant" });
        // A menu rebuild does not read every pet.json again.
        PetFixtures::writeFile(root() + "/ant/pet.json", "not json");
        QCOMPARE(ids(library.loadLibrary()), QStringList { "ant" });

        // A pet added behind the library's back shows through the folder watch, and the listing
        // read then is fresh.
        QSignalSpy changed(&library, &PetLibrary::libraryChanged);
        writePet(root() + "/bee", "bee", "Bee");
        QTRY_VERIFY(!changed.isEmpty());
        QCOMPARE(ids(library.loadLibrary()), QStringList { "bee" });
        QVERIFY(!library.deletePet(library.loadLibrary().constFirst()));
        QVERIFY(library.loadLibrary().isEmpty());
    }

    void deleteRemovesOnlyLibraryFolders()
    {
        PetLibrary library(locations());
        const auto installed = library.importFolder(writePet(nimbo() + "/fox", "fox", "Fox"));
        QVERIFY(installed.ok());

        // The Nimbo package keys the library copy by id; the Nimbo folder itself stays.
        const auto nimboFox = library.discoverNimboPets();
        QCOMPARE(nimboFox.size(), 1);
        QVERIFY(!library.deletePet(nimboFox.first()));
        QVERIFY(!QFileInfo::exists(root() + "/fox"));
        QVERIFY(QFileInfo::exists(nimbo() + "/fox/pet.json"));
        QCOMPARE(rootEntries(), QStringList());

        // Not in the library: refused, never the source folder.
        const auto again = library.deletePet(nimboFox.first());
        QVERIFY(again);
        QCOMPARE(again->kind(), PetPackageError::Kind::NotInLibrary);
        QVERIFY(QFileInfo::exists(nimbo() + "/fox/pet.json"));

        // Packages that would name the root or its parent are refused.
        writePet(root() + "/keep", "keep", "Keep");
        PetPackage rootPackage { PetManifest {}, root() };
        QCOMPARE(library.deletePet(rootPackage)->kind(), PetPackageError::Kind::NotInLibrary);
        rootPackage.folderPath = root() + "/";
        QCOMPARE(library.deletePet(rootPackage)->kind(), PetPackageError::Kind::NotInLibrary);
        rootPackage.folderPath = root() + "/keep/..";
        QCOMPARE(library.deletePet(rootPackage)->kind(), PetPackageError::Kind::NotInLibrary);
        rootPackage.manifest.id = "..";
        QCOMPARE(library.deletePet(rootPackage)->kind(), PetPackageError::Kind::NotInLibrary);
        QCOMPARE(ids(library.loadLibrary()), QStringList { "keep" });

        // A link in the root is removed, not what it points to.
        writePet(outside() + "/target", "target", "Target");
        QVERIFY(QFile::link(outside() + "/target", root() + "/target"));
        PetManifest target;
        target.id = "target";
        QVERIFY(!library.deletePet(PetPackage { target, outside() + "/target" }));
        QVERIFY(!QFileInfo(root() + "/target").isSymLink());
        QVERIFY(QFileInfo::exists(outside() + "/target/pet.json"));
    }

    void nimboDiscoverySkipsWhatDoesNotValidate()
    {
        PetLibrary library(locations());
        QVERIFY(library.discoverNimboPets().isEmpty());
        writePet(nimbo() + "/zebra", "zebra", "Zebra");
        writePet(nimbo() + "/ant", "ant", "Ant");
        writePet(nimbo() + "/.cache", "cache", "Cache");
        PetFixtures::writePackage(nimbo() + "/no-atlas", "{}", {});
        PetFixtures::writeFile(nimbo() + "/README", "x");

        const auto found = library.discoverNimboPets();
        QCOMPARE(ids(found), (QStringList { "ant", "zebra" }));
        QCOMPARE(found.first().folderPath, nimbo() + "/ant");
        QVERIFY(library.loadLibrary().isEmpty()); // discovery imports nothing
    }

    void olderRootMovesToTheNewOne()
    {
        writePet(olderRoot() + "/fox", "fox", "Fox");
        PetFixtures::writeFile(base() + "/data/Tamsel Desk/notes.json", "[]");
        {
            PetLibrary library(locations());
            QCOMPARE(ids(library.loadLibrary()), QStringList { "fox" });
            QVERIFY(!QFileInfo::exists(olderRoot()));
            QVERIFY(QFileInfo::exists(base() + "/data/Tamsel Desk/notes.json"));
        }
        // Once the new root exists, an older root that reappears is left alone.
        writePet(olderRoot() + "/owl", "owl", "Owl");
        PetLibrary library(locations());
        QCOMPARE(ids(library.loadLibrary()), QStringList { "fox" });
        QVERIFY(QFileInfo::exists(olderRoot() + "/owl"));
    }

    void bundledPetIsInstalledOnceAndNotRefreshed()
    {
        {
            PetLibrary library(locations());
            QVERIFY(!library.bundledPetID());
            QVERIFY(!library.installBundledPetIfNeeded());
        }
        writePet(bundled(), "Tam Tam", "Tam");
        PetLibrary library(locations());
        QCOMPARE(library.bundledPetID(), std::optional<QString>("tam-tam"));
        const auto installed = library.installBundledPetIfNeeded();
        QVERIFY(installed);
        QCOMPARE(installed->folderPath, root() + "/tam-tam");

        PetFixtures::writeFile(root() + "/tam-tam/pet.json", PetFixtures::manifest("tam-tam", "Renamed"));
        QCOMPARE(library.installBundledPetIfNeeded()->manifest.displayName, "Renamed");
        // The id is computed once per library.
        QDir(bundled()).removeRecursively();
        QCOMPARE(library.bundledPetID(), std::optional<QString>("tam-tam"));
    }

    void sharedLibraryLivesInTheDataFolder()
    {
        QCOMPARE(PetLibrary::shared().rootPath(), m_env->dataHome() + "/tamsel/Pets");
        QCOMPARE(PetLibrary::defaultLocations().olderRoot, m_env->dataHome() + "/Tamsel Desk/Pets");
        QVERIFY(QFileInfo(PetLibrary::shared().rootPath()).isDir());
    }
};

TAMSEL_TEST_MAIN(TestPetLibrary)
#include "tst_petlibrary.moc"
