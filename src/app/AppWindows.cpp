#include "app/AppWindows.h"

#include "pets/PetImageCache.h"
#include "preferences/PreferencesWindow.h"

#include <QGuiApplication>
#include <QScreen>

AppWindows::AppWindows(PreferencesHost &host, QObject *parent)
    : QObject(parent)
    , m_host(host)
{
}

AppWindows::~AppWindows()
{
    delete m_preferencesWindow.data();
}

void AppWindows::showPreferences(PreferencesSection section)
{
    if (m_preferencesWindow) {
        if (section != PreferencesSection::Pet)
            m_preferencesWindow->setSection(section);
    } else {
        m_preferencesWindow = new PreferencesWindow(m_host, section);
        m_preferencesWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_preferencesWindow, &QObject::destroyed, this, &AppWindows::releasePreferencesWindow);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            m_preferencesWindow->move(screen->availableGeometry().center() - m_preferencesWindow->rect().center());
    }
    m_preferencesWindow->show();
    m_preferencesWindow->raise();
    m_preferencesWindow->activateWindow();
}

PreferencesWindow *AppWindows::preferencesWindow() const
{
    return m_preferencesWindow.data();
}

void AppWindows::releasePreferencesWindow()
{
    if (m_preferencesWindow) {
        m_preferencesWindow->disconnect(this);
        m_preferencesWindow->deleteLater();
    }
    m_preferencesWindow.clear();
    // The panes filled the cache with atlases nobody shows any more.
    PetImageCache::clear();
}
