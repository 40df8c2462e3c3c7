#pragma once

#include "pets/PetPackage.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

class AlertPresenter;
class FileRevealer;
class PetLibrary;
class PetLibraryFlowsHost;
class SettingsStore;

// The user-facing flows around the pet library: importing from a folder, a zip or Nimbo, the
// first-run prompts, deleting a pet and showing it in the file manager. Every question and error
// is a modal alert through the AlertPresenter. Copying and unpacking run on a worker thread
// between importStarted and importFinished; one import runs at a time, and asking for another
// meanwhile does nothing.
class PetLibraryFlows : public QObject {
    Q_OBJECT

public:
    PetLibraryFlows(PetLibrary &library, AlertPresenter &alerts, FileRevealer &revealer, SettingsStore &settings,
        PetLibraryFlowsHost &host, QObject *parent = nullptr);

    QCoro::Task<> promptImportFolder();
    QCoro::Task<> promptImportZip();
    // At launch with an empty library: offers to bring in the pets Nimbo has.
    QCoro::Task<> offerNimboImport();
    QCoro::Task<> showOnboardingPrompt();
    // Menu command: imports the Nimbo pets that are not in the library yet.
    QCoro::Task<> scanNimboPets();
    bool isImporting() const { return m_importing; }
    void confirmAndDeletePet(const PetPackage &package);
    void handlePetDeleted(const PetPackage &package);
    void revealPetInFileManager(const PetPackage &package);
    // The character's name when it has one, else the manifest's display name.
    QString displayName(const PetPackage &package) const;

    // A warning alert: the title, then the description and, after a blank line, the recovery text.
    void presentError(const QString &description, const QString &title = QStringLiteral("Couldn't load pet"),
        const QString &recovery = QString());

signals:
    // An import began; label says what is being imported. The user interface shows it when the
    // import lasts more than a moment.
    void importStarted(const QString &label);
    void importFinished();

private:
    struct ImportOutcome {
        QList<PetPackage> imported;
        QStringList failures;
    };
    template<typename NameOf> QCoro::Task<ImportOutcome> importAll(const QList<PetPackage> &requested, NameOf nameOf);
    QCoro::Task<> importAndLoad(const QString &requested, bool isZip);
    void informational(const QString &title, const QString &text);

    PetLibrary &m_library;
    AlertPresenter &m_alerts;
    FileRevealer &m_revealer;
    SettingsStore &m_settings;
    PetLibraryFlowsHost &m_host;
    bool m_importing = false;
};
