#include "app/WelcomeFlow.h"

#include "app/AppWindows.h"
#include "preferences/PreferencesWindow.h"
#include "preferences/WelcomeWindow.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

WelcomeFlow::WelcomeFlow(SettingsStore &settings, AppWindows &windows, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_windows(windows)
{
}

WelcomeFlow::~WelcomeFlow()
{
    delete m_window.data();
}

void WelcomeFlow::showIfFirstTime(bool petOnScreen)
{
    if (m_settings.value(SettingsKeys::hasCompletedOnboarding) || !petOnScreen)
        return;
    m_settings.setValue(SettingsKeys::hasCompletedOnboarding, true);
    present();
}

void WelcomeFlow::replay(bool petOnScreen)
{
    if (!petOnScreen)
        return;
    if (QWidget *preferences = m_windows.preferencesWindow())
        preferences->hide();
    present();
}

void WelcomeFlow::present()
{
    delete m_window.data();
    m_window = new WelcomeWindow;
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_window, &WelcomeWindow::openPreferencesChosen, this, [this] {
        // One turn later, so the preferences open after the welcome has gone.
        QTimer::singleShot(0, this, [this] { m_windows.showPreferences(PreferencesSection::Pet); });
    });
    if (QScreen *screen = QGuiApplication::primaryScreen())
        m_window->move(screen->availableGeometry().center() - m_window->rect().center());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

WelcomeWindow *WelcomeFlow::window() const
{
    return m_window.data();
}
