#include "pets/PetLibrary.h"

#include "support/PetFixtures.h"
#include "support/TestMain.h"
#include "support/ZipWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <functional>

namespace {

const QString unreadableText = QStringLiteral("The archive could not be read; it may be damaged or not a zip file.");

// How a test writes the body of a zip.
using ZipContent = std::function<void(ZipWriter &)>;

}

Q_DECLARE_METATYPE(ZipContent)

class TestZipImport : public QObject {
    Q_OBJECT

public:
    explicit TestZipImport(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    QString base() const { return m_env->home(); }
    QString root() const { return base() + "/library/Pets"; }
    QString work() const { return base() + "/work"; }

    PetLibrary::Locations locations() const { return { root(), {}, {}, {}, work() }; }

    static QStringList everything(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QString writeZip(const QString &name, const ZipContent &content) const
    {
        const QString path = base() + "/zips/" + name;
        QDir().mkpath(base() + "/zips");
        ZipWriter writer(path);
        content(writer);
        if (!writer.close())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static void addPet(ZipWriter &zip, const QString &prefix, const QByteArray &manifest)
    {
        zip.addFile(prefix + "pet.json", manifest);
        zip.addFile(prefix + "spritesheet.webp", PetFixtures::atlas());
    }

    TestEnvironment *m_env;

private slots:
    void init()
    {
        m_env->reset();
        QDir().mkpath(work());
    }

    void zipLayouts()
    {
        PetLibrary library(locations());

        // One folder: that folder is the package, and its name supplies the id.
        auto single = library.importZip(writeZip("single.zip", [](ZipWriter &zip) {
            zip.addDirectory("Sleepy_Fox/");
            addPet(zip, "Sleepy_Fox/", "{}");
            zip.addFile(".DS_Store", "x"); // hidden entries do not count
            zip.addFile("__MACOSX/Sleepy_Fox/._pet.json", "apple double");
        }));
        QVERIFY2(single.ok(), single.ok() ? "" : qPrintable(single.error().description()));
        QCOMPARE(single.value().manifest.id, "sleepy-fox");
        QCOMPARE(single.value().manifest.displayName, "Sleepy Fox");
        QCOMPARE(single.value().folderPath, root() + "/sleepy-fox");
        QCOMPARE(everything(work()), QStringList());

        auto topLevel = library.importZip(
            writeZip("top.zip", [](ZipWriter &zip) { addPet(zip, "", PetFixtures::manifest("owl", "Owl")); }));
        QVERIFY(topLevel.ok());
        QCOMPARE(topLevel.value().folderPath, root() + "/owl");

        auto twoFolders = library.importZip(writeZip("two.zip", [](ZipWriter &zip) {
            addPet(zip, "one/", PetFixtures::manifest("one", "One"));
            addPet(zip, "two/", PetFixtures::manifest("two", "Two"));
        }));
        QVERIFY(!twoFolders.ok());
        QCOMPARE(twoFolders.error().validationError()->kind(), PetValidationError::Kind::MissingManifest);

        QCOMPARE(everything(root()), (QStringList { "owl", "sleepy-fox" }));
        QCOMPARE(everything(work()), QStringList());
    }

    void unreadableArchivesSayTheyCannotBeRead()
    {
        PetLibrary library(locations());
        const QString valid
            = writeZip("valid.zip", [](ZipWriter &zip) { addPet(zip, "pet/", PetFixtures::manifest("pet", "Pet")); });
        const QByteArray validBytes = PetFixtures::readFile(valid);

        QStringList archives;
        PetFixtures::writeFile(base() + "/zips/garbage.zip", "PK\x03\x04 this is not really a zip");
        PetFixtures::writeFile(base() + "/zips/empty.zip", "");
        PetFixtures::writeFile(base() + "/zips/truncated.zip", validBytes.left(validBytes.size() / 2));
        for (const char *name : { "garbage.zip", "empty.zip", "truncated.zip", "absent.zip" }) {
            const auto result = library.importZip(base() + "/zips/" + name);
            QVERIFY2(!result.ok(), qPrintable(name));
            QCOMPARE(result.error().description(), unreadableText);
        }
        QCOMPARE(everything(work()), QStringList());
        QCOMPARE(everything(root()), QStringList());
        QVERIFY(library.importZip(valid).ok());
    }

    void hostileArchivesAreRefusedWithTheirReason_data()
    {
        QTest::addColumn<ZipContent>("content");
        QTest::addColumn<QString>("reason");
        const QString outside = QStringLiteral("The archive holds an entry whose path leads outside the pet package.");
        const QString link
            = QStringLiteral("The archive holds a link or a special file, which a pet package can't contain.");

        QTest::newRow("parent traversal")
            << ZipContent([](ZipWriter &zip) { zip.addFile("pet/../../x", "escaped"); }) << outside;
        QTest::newRow("leading ..") << ZipContent([](ZipWriter &zip) { zip.addFile("../x", "escaped"); }) << outside;
        QTest::newRow("absolute path") << ZipContent([this](ZipWriter &zip) { zip.addFile(m_escapePath, "escaped"); })
                                       << outside;
        QTest::newRow("symbolic link") << ZipContent([](ZipWriter &zip) {
            zip.addSymlink("pet/readme", "/etc/passwd");
        }) << link;
        QTest::newRow("link to a folder") << ZipContent([](ZipWriter &zip) { zip.addSymlink("pet/up", ".."); }) << link;
        // Inflated size counts: these zeros compress to a few dozen bytes.
        QTest::newRow("oversized entry") << ZipContent([](ZipWriter &zip) {
            zip.addFile("pet/big.bin", QByteArray(20 * 1024, '\0'));
        }) << QString("A file in the archive is larger than 16 kB.");
        QTest::newRow("oversized total") << ZipContent([](ZipWriter &zip) {
            for (int i = 0; i < 5; ++i)
                zip.addFile("pet/part" + QString::number(i), QByteArray(15 * 1024, '\0'));
        }) << QString("The archive unpacks to more than 64 kB.");
        QTest::newRow("too many entries") << ZipContent([](ZipWriter &zip) {
            for (int i = 0; i < 60; ++i)
                zip.addFile("pet/n" + QString::number(i), "x");
        }) << QString("The archive holds more than 50 files and folders.");
        QTest::newRow("name given twice")
            << ZipContent([](ZipWriter &zip) { zip.addFile("pet/pet.json", "{}"); })
            << QString("The archive's files could not be unpacked into a temporary folder.");
    }

    void hostileArchivesAreRefusedWithTheirReason()
    {
        QFETCH(ZipContent, content);
        QFETCH(QString, reason);
        const ImportLimits limits { 50, 16 * 1024, 64 * 1024 };
        PetLibrary library(locations(), limits);

        // A valid pet first, so that only the hostile entry can make the import fail.
        const QString zipPath = writeZip("hostile.zip", [&content](ZipWriter &zip) {
            addPet(zip, "pet/", PetFixtures::manifest("pet", "Pet"));
            content(zip);
        });

        const auto result = library.importZip(zipPath);
        QVERIFY(!result.ok());
        QCOMPARE(result.error().description(), reason);
        QCOMPARE(everything(work()), QStringList());
        QCOMPARE(everything(root()), QStringList());
        QVERIFY(!QFileInfo::exists(base() + "/x"));
        QVERIFY(!QFileInfo::exists(m_escapePath));
    }

    void specialFilesAreRefused()
    {
        // libarchive's writer will not store a device, so mark a regular entry as a character
        // device in the central directory, where the reader takes the Unix mode from
        // (0100641 -> 0020641).
        const QString zipPath = writeZip("device.zip", [](ZipWriter &zip) {
            addPet(zip, "pet/", PetFixtures::manifest("pet", "Pet"));
            zip.addFile("pet/device", {}, 0641);
        });
        QByteArray bytes = PetFixtures::readFile(zipPath);
        const qsizetype at = bytes.lastIndexOf(QByteArray("\x00\x00\xA1\x81", 4));
        QVERIFY(at > 0);
        bytes[at + 3] = '\x21';
        PetFixtures::writeFile(zipPath, bytes);
        QCOMPARE(ZipWriter::entries(zipPath).last().type, 0020000);

        PetLibrary library(locations());
        QCOMPARE(library.importZip(zipPath).error().description(),
            "The archive holds a link or a special file, which a pet package can't contain.");
        QCOMPARE(everything(work()), QStringList());
    }

private:
    const QString m_escapePath
        = QDir::tempPath() + "/tamsel-escape-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
};

TAMSEL_TEST_MAIN(TestZipImport)
#include "tst_zipimport.moc"
