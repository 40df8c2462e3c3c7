#include "pets/PetLibrary.h"
#include "platform/FileRevealer.h"
#include "services/PetLibraryFlows.h"
#include "services/PetLibraryFlowsHost.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include "support/AwaitTask.h"
#include "support/PetFixtures.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/TestMain.h"

#include <QDir>
#include <QSignalSpy>

namespace {
class RecordingHost final : public PetLibraryFlowsHost {
public:
    QStringList loaded;
    int teardowns = 0;
    int menuRebuilds = 0;
    QStringList evicted;
    std::optional<QString> active;
    QHash<QString, QString> characterNames;

    void loadPet(const PetPackage &package) override
    {
        loaded.append(package.id());
        active = package.id();
    }
    void teardownCurrentPet() override
    {
        ++teardowns;
        active.reset();
    }
    std::optional<QString> activePetID() const override { return active; }
    void rebuildMainMenu() override { ++menuRebuilds; }
    QString characterName(const QString &petID) const override { return characterNames.value(petID); }
    void evictAtlasImage(const QString &atlasPath) override { evicted.append(atlasPath); }
};

class RecordingRevealer final : public FileRevealer {
public:
    QStringList revealed;
    void reveal(const QString &path) override { revealed.append(path); }
};
}

class TestPetLibraryFlows : public QObject {
    Q_OBJECT

public:
    explicit TestPetLibraryFlows(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    PetLibrary::Locations locations() const
    {
        const QString home = m_env->home();
        return { home + "/library", home + "/older", home + "/bundled", home + "/.nimbo/pets", home + "/tmp" };
    }
    QString nimbo() const { return locations().nimboFolder; }

    struct Fixture {
        explicit Fixture(TestPetLibraryFlows *test)
            : library(test->locations())
            , settings(test->m_env->settingsFilePath())
            , flows(library, alerts, revealer, settings, host)
        {
        }
        PetLibrary library;
        ScriptedAlertPresenter alerts;
        RecordingRevealer revealer;
        SettingsStore settings;
        RecordingHost host;
        PetLibraryFlows flows;
    };

    TestEnvironment *m_env;

private slots:
    void init()
    {
        m_env->reset();
        QDir().mkpath(m_env->home() + "/tmp");
    }

    void importFolderLoadsThePetOrExplainsTheFailure()
    {
        Fixture f(this);
        awaitTask(f.flows.promptImportFolder()); // cancelled
        QVERIFY(f.host.loaded.isEmpty());
        QVERIFY(f.alerts.alerts.isEmpty());

        f.alerts.folderAnswers.enqueue(PetFixtures::writePet(m_env->home() + "/src/fox", "fox", "Fox"));
        awaitTask(f.flows.promptImportFolder());
        QCOMPARE(f.host.loaded, QStringList { "fox" });
        QVERIFY(QFileInfo::exists(locations().root + "/fox/pet.json"));

        QDir().mkpath(m_env->home() + "/empty");
        f.alerts.folderAnswers.enqueue(m_env->home() + "/empty");
        awaitTask(f.flows.promptImportFolder());
        QCOMPARE(f.alerts.alerts.size(), 1);
        QCOMPARE(f.alerts.alerts[0].style, AlertPresenter::Style::Warning);
        QCOMPARE(f.alerts.alerts[0].title, QString("Couldn't load pet"));
        QCOMPARE(f.alerts.alerts[0].informativeText, QString("This folder does not contain pet.json."));
        QCOMPARE(f.host.loaded.size(), 1);
    }

    void importsRunOnAWorkerOneAtATime()
    {
        Fixture f(this);
        QSignalSpy started(&f.flows, &PetLibraryFlows::importStarted);
        QSignalSpy finished(&f.flows, &PetLibraryFlows::importFinished);
        f.alerts.folderAnswers.enqueue(PetFixtures::writePet(m_env->home() + "/src/fox", "fox", "Fox"));
        auto import = f.flows.promptImportFolder();
        // The copy is under way off this thread; another import is not offered meanwhile.
        QVERIFY(f.flows.isImporting());
        QVERIFY(f.host.loaded.isEmpty());
        awaitTask(f.flows.promptImportZip());
        QCOMPARE(f.alerts.fileChooserCount, 0);
        awaitTask(std::move(import));
        QCOMPARE(started.size(), 1);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(f.host.loaded, QStringList { "fox" });

        // Flows gone before the worker ends: the import still lands, nothing is loaded.
        auto *flows = new PetLibraryFlows(f.library, f.alerts, f.revealer, f.settings, f.host);
        f.alerts.folderAnswers.enqueue(PetFixtures::writePet(m_env->home() + "/src/owl", "owl", "Owl"));
        auto orphan = flows->promptImportFolder();
        delete flows;
        awaitTask(std::move(orphan));
        QCOMPARE(f.host.loaded, QStringList { "fox" });
        QCOMPARE(f.library.loadLibrary().size(), 2);
    }

    void importZipReportsWhyTheArchiveIsRefused()
    {
        Fixture f(this);
        PetFixtures::writeFile(m_env->home() + "/broken.zip", "PK\x03\x04 definitely not a zip");
        f.alerts.fileAnswers.enqueue(m_env->home() + "/broken.zip");
        awaitTask(f.flows.promptImportZip());
        QCOMPARE(f.alerts.fileChooserCount, 1);
        QCOMPARE(f.alerts.alerts.size(), 1);
        QCOMPARE(f.alerts.alerts[0].informativeText,
            QString("The archive could not be read; it may be damaged or not a zip file."));
        QVERIFY(f.host.loaded.isEmpty());
    }

    void firstLaunchWithoutNimboShowsTheOnboardingPrompt()
    {
        Fixture f(this);
        f.alerts.buttonAnswers.enqueue(0); // "Import Folder…", then cancel the chooser
        awaitTask(f.flows.offerNimboImport());
        QCOMPARE(f.alerts.alerts.size(), 1);
        QCOMPARE(f.alerts.alerts[0].title, QString("No pets installed"));
        QCOMPARE(f.alerts.alerts[0].buttons, (QStringList { "Import Folder…", "Later" }));
        QCOMPARE(f.alerts.folderChooserCount, 1);
    }

    void nimboOfferImportsWhatItCanAndReportsTheRest()
    {
        Fixture f(this);
        PetFixtures::writePet(nimbo() + "/b", "bear", "Bear");
        PetFixtures::writePet(nimbo() + "/a", "ant", "Ant");
        // Validates, but its id has no letters or digits, so it cannot become a library folder.
        PetFixtures::writePackage(nimbo() + "/odd", PetFixtures::manifest("%%%", "???"));

        f.alerts.buttonAnswers.enqueue(1); // Skip
        awaitTask(f.flows.offerNimboImport());
        QCOMPARE(f.alerts.alerts[0].title, QString("Import pets from Nimbo?"));
        QCOMPARE(f.alerts.alerts[0].informativeText,
            "Found " + nimbo() + ". Import all valid pet packages into the library?");
        QCOMPARE(f.alerts.alerts[1].title, QString("No pets installed"));
        QVERIFY(f.host.loaded.isEmpty());

        f.alerts.clear();
        awaitTask(f.flows.offerNimboImport()); // Import (the default answer)
        QCOMPARE(f.alerts.alerts.size(), 2);
        QCOMPARE(f.alerts.alerts[1].style, AlertPresenter::Style::Warning);
        QCOMPARE(f.alerts.alerts[1].title, QString("1 of 3 pets couldn't be imported"));
        // Named by its folder, since its manifest's name may say nothing.
        QVERIFY(f.alerts.alerts[1].informativeText.startsWith("odd: The id in pet.json has no letters"));
        QCOMPARE(f.host.loaded.size(), 1);
        QCOMPARE(f.library.loadLibrary().size(), 2);
    }

    void scanImportsOnlyNewNimboPets()
    {
        Fixture f(this);
        awaitTask(f.flows.scanNimboPets());
        QCOMPARE(f.alerts.alerts[0].title, QString("No Nimbo pets folder"));
        QCOMPARE(f.alerts.alerts[0].informativeText,
            "Expected to find pets at " + nimbo() + ". Install Nimbo or import folders manually.");

        f.alerts.clear();
        QDir().mkpath(nimbo());
        awaitTask(f.flows.scanNimboPets());
        QCOMPARE(f.alerts.alerts[0].title, QString("No new Nimbo pets"));
        QCOMPARE(f.alerts.alerts[0].informativeText, "No valid pets were found in " + nimbo() + ".");

        for (const char *id : { "ant", "bear", "cat" })
            PetFixtures::writePet(nimbo() + "/" + id, id, QString(id).toUpper());
        QVERIFY(f.library.importFolder(nimbo() + "/ant"));
        QVERIFY(f.library.importFolder(nimbo() + "/bear"));
        f.host.characterNames.insert("cat", "  Whiskers\t");
        f.host.active = QString("ant");
        f.alerts.clear();
        awaitTask(f.flows.scanNimboPets());
        QCOMPARE(f.alerts.alerts[0].style, AlertPresenter::Style::Informational);
        QCOMPARE(f.alerts.alerts[0].title, QString("Imported 1 pet"));
        QCOMPARE(f.alerts.alerts[0].informativeText, QString("Whiskers"));
        QVERIFY(f.host.loaded.isEmpty()); // a pet is already on screen
        QCOMPARE(f.host.menuRebuilds, 1);

        f.alerts.clear();
        awaitTask(f.flows.scanNimboPets());
        QCOMPARE(f.alerts.alerts[0].informativeText, QString("All 3 Nimbo pets are already in your library."));
    }

    void deletingTheActivePetLoadsTheNextOne()
    {
        Fixture f(this);
        QVERIFY(f.library.importFolder(PetFixtures::writePet(m_env->home() + "/s/a", "apple", "apple")));
        QVERIFY(f.library.importFolder(PetFixtures::writePet(m_env->home() + "/s/b", "banana", "Banana")));
        const QList<PetPackage> pets = f.library.loadLibrary();
        f.host.active = QString("apple");
        f.settings.setValue(SettingsKeys::selectedPetID, QString("apple"));

        f.alerts.buttonAnswers.enqueue(1); // Cancel
        f.flows.confirmAndDeletePet(pets[0]);
        QCOMPARE(f.alerts.alerts[0].title, QString("Delete apple?"));
        QCOMPARE(f.alerts.alerts[0].buttons, (QStringList { "Delete", "Cancel" }));
        QCOMPARE(f.library.loadLibrary().size(), 2);

        f.flows.confirmAndDeletePet(pets[0]);
        QCOMPARE(f.host.teardowns, 1);
        QVERIFY(!f.settings.contains(SettingsKeys::selectedPetID.name));
        QCOMPARE(f.host.loaded, QStringList { "banana" });
        QCOMPARE(f.host.evicted, QStringList { pets[0].folderPath + "/spritesheet.webp" });

        f.flows.confirmAndDeletePet(f.library.loadLibrary()[0]);
        QCOMPARE(f.host.teardowns, 2);
        QCOMPARE(f.host.loaded.size(), 1); // nothing left to load
        QVERIFY(!f.host.active);
        QCOMPARE(f.host.menuRebuilds, 1);
        QVERIFY(f.library.loadLibrary().isEmpty());
    }
};

TAMSEL_TEST_MAIN(TestPetLibraryFlows)
#include "tst_petlibraryflows.moc"
