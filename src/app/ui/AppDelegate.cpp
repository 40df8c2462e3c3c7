#include "app/ui/AppDelegate.h"

#include "app/KeyStore.h"
#include "app/ModelGuard.h"
#include "app/SettingsStore.h"

#include <QPointer>

AppDelegate::AppDelegate(const AppEnvironment &environment, QObject *parent)
    : QObject(parent)
    , m_env(environment)
{
}

AppDelegate::~AppDelegate() = default;

QCoro::Task<> AppDelegate::applicationDidFinishLaunching()
{
    QPointer<AppDelegate> self(this);

    // The key is read once here; everything later answers from memory.
    co_await m_env.keyStore->migrateFromDefaultsIfNeeded();
    if (!self)
        co_return;
    co_await m_env.keyStore->load();
    if (!self)
        co_return;

    ModelGuard::enforceToolCapableModel(*m_env.settings);
    m_showInTaskbar = m_env.settings->showDockIcon();

    emit launchFinished();
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
}
