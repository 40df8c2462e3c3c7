#pragma once

#include <QWidget>

class Card;
class PreferencesHost;
class ToggleSwitch;

// The Advanced pane: launch at login and the taskbar listing, the Groq card, and the pet library
// folder. A login item the desktop refuses puts the switch back and says why in an alert.
class AdvancedPane : public QWidget {
    Q_OBJECT

public:
    explicit AdvancedPane(PreferencesHost &host, QWidget *parent = nullptr);

private:
    void onLaunchAtLoginToggled(bool enabled);

    PreferencesHost &m_host;
    ToggleSwitch *m_launchAtLogin = nullptr;
    Card *m_library = nullptr;
};
