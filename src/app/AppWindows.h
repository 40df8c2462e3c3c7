#pragma once

#include "preferences/PreferencesSection.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class PreferencesHost;
class PreferencesWindow;

// The preferences window: created when first asked for, reused while it is open, released when
// it closes. (The Ask prompt has its own controller, owned by AskCoordinator.)
class AppWindows : public QObject {
    Q_OBJECT

public:
    explicit AppWindows(PreferencesHost &host, QObject *parent = nullptr);
    ~AppWindows() override;

    // Opens the preferences at a section, or brings the open window forward (switching to the
    // section unless it is the pet section). Closing the window releases it.
    void showPreferences(PreferencesSection section);
    PreferencesWindow *preferencesWindow() const;

private:
    void releasePreferencesWindow();

    PreferencesHost &m_host;
    QPointer<PreferencesWindow> m_preferencesWindow;
};
