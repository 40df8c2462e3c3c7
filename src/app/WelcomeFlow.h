#pragma once

#include <QObject>
#include <QPointer>

class AppWindows;
class SettingsStore;
class WelcomeWindow;

// The welcome window's life: shown once after the first launch that puts a pet on screen (marked
// in "tam.hasCompletedOnboarding"), and again whenever the user asks from the preferences.
// "Open Preferences" opens them at the Pet section once the welcome has gone.
class WelcomeFlow : public QObject {
    Q_OBJECT

public:
    WelcomeFlow(SettingsStore &settings, AppWindows &windows, QObject *parent = nullptr);
    ~WelcomeFlow() override;

    // Shows the welcome unless it was shown before or no pet is on screen (then it waits for a
    // later launch).
    void showIfFirstTime(bool petOnScreen);
    // Shows it again, hiding (not closing) the preferences window; the mark is left as it is.
    void replay(bool petOnScreen);
    WelcomeWindow *window() const;

private:
    void present();

    SettingsStore &m_settings;
    AppWindows &m_windows;
    QPointer<WelcomeWindow> m_window;
};
