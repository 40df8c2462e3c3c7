#include "app/AppWindows.h"

#include "app/AskPromptPlaceholder.h"
#include "pets/PetImageCache.h"
#include "preferences/PreferencesWindow.h"

#include <QGuiApplication>
#include <QScreen>

AppWindows::AppWindows(QObject *parent)
    : QObject(parent)
{
}

AppWindows::~AppWindows()
{
    delete m_askPrompt.data();
    delete m_preferencesWindow.data();
}

bool AppWindows::isAskPromptOpen() const
{
    return m_askPrompt && m_askPrompt->isVisible();
}

void AppWindows::toggleAskPrompt(const QRect &petFrame)
{
    if (isAskPromptOpen()) {
        m_askPrompt->close();
        return;
    }
    if (!m_askPrompt)
        m_askPrompt = new AskPromptPlaceholder;
    m_askPrompt->present(petFrame);
}

void AppWindows::showPreferences(PreferencesSection section)
{
    if (m_preferencesWindow) {
        if (section != PreferencesSection::Pet)
            m_preferencesWindow->setSection(section);
    } else {
        m_preferencesWindow = new PreferencesWindow(section);
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
