#pragma once

#include "pets/PetPackage.h"

#include <QList>
#include <QString>

class AlertPresenter;
class FileRevealer;
class PetLibrary;
class PetLibraryFlowsHost;
class SettingsStore;

// The user-facing flows around the pet library: importing from a folder, a zip or Nimbo, the
// first-run prompts, deleting a pet and showing it in the file manager. Every question and error
// is a modal alert through the AlertPresenter.
class PetLibraryFlows {
public:
    PetLibraryFlows(PetLibrary &library, AlertPresenter &alerts, FileRevealer &revealer, SettingsStore &settings,
        PetLibraryFlowsHost &host);

    void promptImportFolder();
    void promptImportZip();
    // At launch with an empty library: offers to bring in the pets Nimbo has.
    void offerNimboImport();
    void showOnboardingPrompt();
    // Menu command: imports the Nimbo pets that are not in the library yet.
    void scanNimboPets();
    void confirmAndDeletePet(const PetPackage &package);
    void handlePetDeleted(const PetPackage &package);
    void revealPetInFileManager(const PetPackage &package);
    // The character's name when it has one, else the manifest's display name.
    QString displayName(const PetPackage &package) const;

    // A warning alert: the title, then the description and, after a blank line, the recovery text.
    void presentError(const QString &description, const QString &title = QStringLiteral("Couldn't load pet"),
        const QString &recovery = QString());

private:
    struct ImportOutcome {
        QList<PetPackage> imported;
        QStringList failures;
    };
    template<typename NameOf> ImportOutcome importAll(const QList<PetPackage> &packages, NameOf nameOf);
    void informational(const QString &title, const QString &text);

    PetLibrary &m_library;
    AlertPresenter &m_alerts;
    FileRevealer &m_revealer;
    SettingsStore &m_settings;
    PetLibraryFlowsHost &m_host;
};
