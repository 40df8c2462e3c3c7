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
#include <QSet>

namespace {
QString plural(qsizetype count, const QString &noun)
{
    return QString::number(count) + u' ' + noun + (count == 1 ? QString() : QStringLiteral("s"));
}
}

PetLibraryFlows::PetLibraryFlows(PetLibrary &library, AlertPresenter &alerts, FileRevealer &revealer,
    SettingsStore &settings, PetLibraryFlowsHost &host)
    : m_library(library)
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

void PetLibraryFlows::promptImportFolder()
{
    const QString folder = m_alerts.chooseFolder(
        QStringLiteral("Choose a folder containing pet.json and spritesheet.webp"), QStringLiteral("Import"));
    if (folder.isEmpty())
        return;
    auto result = m_library.importFolder(folder);
    if (!result) {
        presentError(result.error().description());
        return;
    }
    m_host.loadPet(result.value());
}

void PetLibraryFlows::promptImportZip()
{
    const QString zip = m_alerts.chooseFile(QStringLiteral("Choose a .zip containing a pet package"),
        QStringLiteral("Import"), QStringLiteral("Zip archives (*.zip)"));
    if (zip.isEmpty())
        return;
    auto result = m_library.importZip(zip);
    if (!result) {
        presentError(result.error().description());
        return;
    }
    m_host.loadPet(result.value());
}

template<typename NameOf>
PetLibraryFlows::ImportOutcome PetLibraryFlows::importAll(const QList<PetPackage> &packages, NameOf nameOf)
{
    ImportOutcome outcome;
    for (const PetPackage &package : packages) {
        auto result = m_library.importFolder(package.folderPath);
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
    return outcome;
}

void PetLibraryFlows::offerNimboImport()
{
    const QString nimbo = m_library.nimboPetsPath();
    if (!QFileInfo(nimbo).isDir()) {
        showOnboardingPrompt();
        return;
    }
    AlertPresenter::Alert offer;
    offer.style = AlertPresenter::Style::Informational;
    offer.title = QStringLiteral("Import pets from Nimbo?");
    offer.informativeText
        = QStringLiteral("Found ") + nimbo + QStringLiteral(". Import all valid pet packages into the library?");
    offer.buttons = { QStringLiteral("Import"), QStringLiteral("Skip") };
    if (m_alerts.present(offer) != 0) {
        showOnboardingPrompt();
        return;
    }
    const QList<PetPackage> discovered = m_library.discoverNimboPets();
    if (discovered.isEmpty()) {
        showOnboardingPrompt();
        return;
    }
    const ImportOutcome outcome
        = importAll(discovered, [](const PetPackage &package) { return package.manifest.displayName; });
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
        showOnboardingPrompt();
}

void PetLibraryFlows::showOnboardingPrompt()
{
    AlertPresenter::Alert prompt;
    prompt.style = AlertPresenter::Style::Informational;
    prompt.title = QStringLiteral("No pets installed");
    prompt.informativeText
        = QStringLiteral("Import a pet folder containing pet.json and spritesheet.webp to get started.");
    prompt.buttons = { QStringLiteral("Import Folder…"), QStringLiteral("Later") };
    if (m_alerts.present(prompt) == 0)
        promptImportFolder();
}

void PetLibraryFlows::scanNimboPets()
{
    const QString nimbo = m_library.nimboPetsPath();
    if (!QFileInfo(nimbo).isDir()) {
        informational(QStringLiteral("No Nimbo pets folder"),
            QStringLiteral("Expected to find pets at ") + nimbo
                + QStringLiteral(". Install Nimbo or import folders manually."));
        return;
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
        return;
    }

    const ImportOutcome outcome = importAll(fresh, [this](const PetPackage &package) { return displayName(package); });
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
