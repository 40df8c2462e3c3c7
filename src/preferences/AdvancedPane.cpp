#include "preferences/AdvancedPane.h"

#include "platform/AlertPresenter.h"
#include "platform/LoginItem.h"
#include "preferences/GroqCard.h"
#include "preferences/PreferencesHost.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "widgets/Card.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"
#include "widgets/ToggleSwitch.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

AdvancedPane::AdvancedPane(PreferencesHost &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
{
    setObjectName(QStringLiteral("advancedPane"));
    PreferencesHost *h = &host;
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::l);

    auto *system = new Card(
        QStringLiteral("Login & taskbar"), SymbolIcon::icon(SymbolIcon::Symbol::sliders, Theme::Accent::base));
    m_launchAtLogin = new ToggleSwitch;
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLoginSwitch"));
    m_launchAtLogin->setAccessibleName(QStringLiteral("Launch at login"));
    LoginItem *loginItem = host.loginItem();
    // The entry on disk is the truth: the user may have removed it by hand.
    m_launchAtLogin->setChecked(loginItem && loginItem->isEnabled());
    m_launchAtLogin->setEnabled(loginItem != nullptr);
    connect(m_launchAtLogin, &ToggleSwitch::toggled, this, &AdvancedPane::onLaunchAtLoginToggled);
    system->addRow(QStringLiteral("Launch at login"), QStringLiteral("Open Tamsel automatically when you sign in."),
        m_launchAtLogin);

    auto *taskbar = new ToggleSwitch;
    taskbar->setObjectName(QStringLiteral("showInTaskbarSwitch"));
    taskbar->setAccessibleName(QStringLiteral("Show in taskbar"));
    taskbar->setChecked(host.settings().showInTaskbar());
    connect(taskbar, &ToggleSwitch::toggled, this, [h](bool on) {
        h->settings().setValue(SettingsKeys::showInTaskbar, on);
        h->setListedInTaskbar(on);
    });
    system->addRow(QStringLiteral("Show in taskbar"), QStringLiteral("Useful for switching with Alt-Tab."), taskbar);
    column->addWidget(system);

    if (host.keyStore() && host.groqClient() && host.alerts())
        column->addWidget(new GroqCard(*host.keyStore(), host.settings(), *host.groqClient(), *host.alerts()));

    m_library = new Card(QStringLiteral("Library"), SymbolIcon::icon(SymbolIcon::Symbol::stack, Theme::Accent::base));
    m_library->setObjectName(QStringLiteral("libraryCard"));
    auto *reveal = new SecondaryButton(
        QStringLiteral("Show in File Manager"), SymbolIcon::icon(SymbolIcon::Symbol::folder, Theme::Ink::primary));
    reveal->setObjectName(QStringLiteral("revealLibraryButton"));
    connect(reveal, &QPushButton::clicked, this, [h] { h->revealLibraryFolder(); });
    m_library->addRow(QStringLiteral("Pet library folder"), QStringLiteral("All imported pets live here."), reveal);
    m_library->setCount(static_cast<int>(host.library().size()));
    connect(&host, &PreferencesHost::activePetChanged, this,
        [this] { m_library->setCount(static_cast<int>(m_host.library().size())); });
    column->addWidget(m_library);
    column->addStretch();
}

void AdvancedPane::onLaunchAtLoginToggled(bool enabled)
{
    LoginItem *loginItem = m_host.loginItem();
    if (!loginItem)
        return;
    const LoginItem::Change change = loginItem->setEnabled(enabled);
    if (change.succeeded) {
        m_host.settings().setValue(SettingsKeys::launchAtLogin, enabled);
        return;
    }
    {
        const QSignalBlocker quiet(m_launchAtLogin);
        m_launchAtLogin->setChecked(!enabled);
    }
    m_host.settings().setValue(SettingsKeys::launchAtLogin, !enabled);
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Warning;
    alert.title = QStringLiteral("Couldn't set Tamsel to launch at login");
    alert.informativeText = change.failureReason;
    if (AlertPresenter *alerts = m_host.alerts())
        alerts->present(alert);
}
