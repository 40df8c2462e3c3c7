#pragma once

#include "preferences/PreferencesSection.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class AskPromptPlaceholder;
class PreferencesWindow;

// The program's windows besides the pet's: the Ask prompt and the preferences, each created when
// first asked for and reused while it is open.
class AppWindows : public QObject {
    Q_OBJECT

public:
    explicit AppWindows(QObject *parent = nullptr);
    ~AppWindows() override;

    // Opens the prompt above the pet's frame, or closes it when it is open.
    void toggleAskPrompt(const QRect &petFrame);
    bool isAskPromptOpen() const;
    // Opens the preferences at a section, or brings the open window forward (switching to the
    // section unless it is the pet section). Closing the window releases it.
    void showPreferences(PreferencesSection section);
    PreferencesWindow *preferencesWindow() const;

private:
    void releasePreferencesWindow();

    QPointer<AskPromptPlaceholder> m_askPrompt;
    QPointer<PreferencesWindow> m_preferencesWindow;
};
