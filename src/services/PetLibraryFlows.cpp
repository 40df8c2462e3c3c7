#include "services/PetLibraryFlows.h"

#include "foundation/TextTrim.h"
#include "pets/PetLibrary.h"
#include "platform/AlertPresenter.h"
#include "platform/FileRevealer.h"
#include "services/PetLibraryFlowsHost.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSet>

namespace {
QString plural(qsizetype count, const QString &noun)
{
    return QString::number(count) + u' ' + noun + (count == 1 ? QString() : QStringLiteral("s"));
}
}

PetLibraryFlows::PetLibraryFlows(PetLibrary &library, AlertPresenter &alerts, FileRevealer &revealer,
    SettingsStore &settings, PetLibraryFlowsHost &host, QObject *parent)
    : QObject(parent)
    , m_library(library)
    , m_alerts(alerts)
    , m_revealer(revealer)
    , m_settings(settings)
    , m_host(host)
{
}

void PetLibraryFlows::presentError(const QString &description, const QString &title, const QString &recovery)
{
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Warning;
    alert.title = title;
    alert.informativeText = recovery.isEmpty() ? description : QString(description + QStringLiteral("\n\n") + recovery);
    m_alerts.present(alert);
}

void PetLibraryFlows::informational(const QString &title, const QString &text)
{
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Informational;
    alert.title = title;
    alert.informativeText = text;
    m_alerts.present(alert);
}

QString PetLibraryFlows::displayName(const PetPackage &package) const
{
    const QString name = TextTrim::spacesAndTabs(m_host.characterName(package.id()));
    return name.isEmpty() ? package.manifest.displayName : name;
}

QCoro::Task<> PetLibraryFlows::promptImportFolder()
{
    if (m_importing)
        co_return;
    const QString folder = m_alerts.chooseFolder(
        QStringLiteral("Choose a folder containing pet.json and spritesheet.webp"), QStringLiteral("Import"));
    if (!folder.isEmpty())
        co_await importAndLoad(folder, false);
}

QCoro::Task<> PetLibraryFlows::promptImportZip()
{
    if (m_importing)
        co_return;
    const QString zip = m_alerts.chooseFile(QStringLiteral("Choose a .zip containing a pet package"),
        QStringLiteral("Import"), QStringLiteral("Zip archives (*.zip)"));
    if (!zip.isEmpty())
        co_await importAndLoad(zip, true);
}

QCoro::Task<> PetLibraryFlows::importAndLoad(const QString &requested, bool isZip)
{
    const QString path = requested; // copied before the first suspension
    if (m_importing)
        co_return;
    QPointer<PetLibraryFlows> self(this);
    m_importing = true;
    emit importStarted(QStringLiteral("Importing %1…").arg(QFileInfo(path).fileName()));
    // Not one co_await on a conditional expression: GCC 12 loses the argument copies there.
    std::optional<Result<PetPackage, PetPackageError>> result;
    if (isZip)
        result = co_await m_library.importZipInBackground(path);
    else
        result = co_await m_library.importFolderInBackground(path);
    if (!self)
        co_return;
    m_importing = false;
    emit importFinished();
    if (!*result) {
        presentError(result->error().description());
        co_return;
    }
    m_host.loadPet(result->value());
}

template<typename NameOf>
QCoro::Task<PetLibraryFlows::ImportOutcome> PetLibraryFlows::importAll(
    const QList<PetPackage> &requested, NameOf nameOf)
{
    const QList<PetPackage> packages = requested; // copied before the first suspension
    QPointer<PetLibraryFlows> self(this);
    ImportOutcome outcome;
    m_importing = true;
    emit importStarted(QStringLiteral("Importing pets…"));
    for (const PetPackage &package : packages) {
        auto result = co_await m_library.importFolderInBackground(package.folderPath);
        if (!self)
            co_return outcome;
        if (result) {
            outcome.imported.append(result.value());
            continue;
        }
        // A package refused for its id may carry a name that says nothing ("???"); its folder
        // tells the user which one it is.
        const bool namedByFolder = result.error().kind() == PetPackageError::Kind::InvalidIdentifier;
        const QString name = namedByFolder ? QFileInfo(package.folderPath).fileName() : nameOf(package);
        outcome.failures.append(name + QStringLiteral(": ") + result.error().description());
    }
    m_importing = false;
    emit importFinished();
    co_return outcome;
}

QCoro::Task<> PetLibraryFlows::offerNimboImport()
{
    if (m_importing)
        co_return;
    QPointer<PetLibraryFlows> self(this);
    const QString nimbo = m_library.nimboPetsPath();
    if (!QFileInfo(nimbo).isDir()) {
        co_await showOnboardingPrompt();
        co_return;
    }
    AlertPresenter::Alert offer;
    offer.style = AlertPresenter::Style::Informational;
    offer.title = QStringLiteral("Import pets from Nimbo?");
    offer.informativeText
        = QStringLiteral("Found ") + nimbo + QStringLiteral(". Import all valid pet packages into the library?");
    offer.buttons = { QStringLiteral("Import"), QStringLiteral("Skip") };
    if (m_alerts.present(offer) != 0) {
        co_await showOnboardingPrompt();
        co_return;
    }
    const QList<PetPackage> discovered = m_library.discoverNimboPets();
    if (discovered.isEmpty()) {
        co_await showOnboardingPrompt();
        co_return;
    }
    const ImportOutcome outcome
        = co_await importAll(discovered, [](const PetPackage &package) { return package.manifest.displayName; });
    if (!self)
        co_return;
    if (!outcome.failures.isEmpty()) {
        AlertPresenter::Alert report;
        report.style = AlertPresenter::Style::Warning;
        report.title = outcome.imported.isEmpty() ? QStringLiteral("None of those pets could be imported")
                                                  : QString::number(outcome.failures.size()) + QStringLiteral(" of ")
                + QString::number(discovered.size()) + QStringLiteral(" pets couldn't be imported");
        report.informativeText = outcome.failures.mid(0, 5).join(QStringLiteral("\n\n"));
        m_alerts.present(report);
    }
    if (!outcome.imported.isEmpty())
        m_host.loadPet(outcome.imported.constFirst());
    else
        co_await showOnboardingPrompt();
}

QCoro::Task<> PetLibraryFlows::showOnboardingPrompt()
{
    AlertPresenter::Alert prompt;
    prompt.style = AlertPresenter::Style::Informational;
    prompt.title = QStringLiteral("No pets installed");
    prompt.informativeText
        = QStringLiteral("Import a pet folder containing pet.json and spritesheet.webp to get started.");
    prompt.buttons = { QStringLiteral("Import Folder…"), QStringLiteral("Later") };
    if (m_alerts.present(prompt) == 0)
        co_await promptImportFolder();
}

QCoro::Task<> PetLibraryFlows::scanNimboPets()
{
    if (m_importing)
        co_return;
    QPointer<PetLibraryFlows> self(this);
    const QString nimbo = m_library.nimboPetsPath();
    if (!QFileInfo(nimbo).isDir()) {
        informational(QStringLiteral("No Nimbo pets folder"),
            QStringLiteral("Expected to find pets at ") + nimbo
                + QStringLiteral(". Install Nimbo or import folders manually."));
        co_return;
    }
    const QList<PetPackage> discovered = m_library.discoverNimboPets();
    QSet<QString> known;
    for (const PetPackage &package : m_library.loadLibrary())
        known.insert(package.id());
    QList<PetPackage> fresh;
    for (const PetPackage &package : discovered) {
        if (!known.contains(package.id()))
            fresh.append(package);
    }
    if (fresh.isEmpty()) {
        const QString text = discovered.isEmpty()
            ? QString(QStringLiteral("No valid pets were found in ") + nimbo + u'.')
            : QString(QStringLiteral("All ") + plural(discovered.size(), QStringLiteral("Nimbo pet"))
                + QStringLiteral(" are already in your library."));
        informational(QStringLiteral("No new Nimbo pets"), text);
        co_return;
    }

    const ImportOutcome outcome
        = co_await importAll(fresh, [this](const PetPackage &package) { return displayName(package); });
    if (!self)
        co_return;
    AlertPresenter::Alert report;
    if (!outcome.imported.isEmpty()) {
        report.style = AlertPresenter::Style::Informational;
        report.title = QStringLiteral("Imported ") + plural(outcome.imported.size(), QStringLiteral("pet"));
        QStringList names;
        for (const PetPackage &package : outcome.imported)
            names.append(displayName(package));
        report.informativeText = names.join(QStringLiteral(", "));
        if (!outcome.failures.isEmpty())
            report.informativeText += QStringLiteral("\n\nSkipped: ") + outcome.failures.join(QStringLiteral("; "));
    } else {
        report.style = AlertPresenter::Style::Warning;
        report.title = QStringLiteral("Couldn't import Nimbo pets");
    }
    m_alerts.present(report);

    if (!m_host.activePetID() && !outcome.imported.isEmpty())
        m_host.loadPet(outcome.imported.constFirst());
    else
        m_host.rebuildMainMenu();
}

void PetLibraryFlows::confirmAndDeletePet(const PetPackage &package)
{
    AlertPresenter::Alert confirm;
    confirm.style = AlertPresenter::Style::Warning;
    confirm.title = QStringLiteral("Delete ") + displayName(package) + u'?';
    confirm.informativeText = QStringLiteral("This removes the pet from your library. The original source folder "
                                             "(e.g. ~/.nimbo/pets/) is not affected.");
    confirm.buttons = { QStringLiteral("Delete"), QStringLiteral("Cancel") };
    if (m_alerts.present(confirm) != 0)
        return;
    if (const auto error = m_library.deletePet(package)) {
        presentError(error->description());
        return;
    }
    m_host.evictAtlasImage(QDir(package.folderPath).filePath(package.manifest.spritesheetFileName));
    handlePetDeleted(package);
}

void PetLibraryFlows::handlePetDeleted(const PetPackage &package)
{
    if (m_host.activePetID() == package.id()) {
        m_host.teardownCurrentPet();
        if (m_settings.value(SettingsKeys::selectedPetID) == package.id())
            m_settings.remove(SettingsKeys::selectedPetID);
        const QList<PetPackage> remaining = m_library.loadLibrary();
        if (!remaining.isEmpty()) {
            m_host.loadPet(remaining.constFirst());
            return;
        }
    }
    m_host.rebuildMainMenu();
}

void PetLibraryFlows::revealPetInFileManager(const PetPackage &package)
{
    m_revealer.reveal(package.folderPath);
}
