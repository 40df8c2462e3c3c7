#pragma once

#include "askprompt/AskPromptModel.h"
#include "askprompt/AskPromptPanel.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class AudioInput;
class WindowSystem;

// Opens and closes the Ask prompt. Each opening builds a new panel, view and model beside the
// pet; closing drops them (cancelling any recording). The composition root decides what an
// opening means for the pet (the listening row) and what a submitted question sets off.
class AskPromptWindowController : public QObject {
    Q_OBJECT

public:
    enum class InputMode { text, voice };
    enum class KeyState { unknown, present, absent };

    AskPromptWindowController(AudioInput *input, AskPromptModel::Transcriber transcriber, QObject *parent = nullptr);
    ~AskPromptWindowController() override;

    // Used to ask again for the keyboard, as a taskbar would, when the window manager kept the
    // opened panel from taking it.
    void setWindowSystem(WindowSystem *windowSystem);

    // Opens beside the pet's frame on a screen's visible area. Does nothing while open.
    void present(const QRect &petFrame, const QRect &visibleArea, InputMode mode);
    void close();
    bool isOpen() const { return m_panel != nullptr; }

    // Whether an API key is stored decides the panel's height; while the first read of the
    // keyring is pending the panel opens short and grows if no key comes.
    void setKeyState(KeyState state);

    AskPromptPanel *panel() const { return m_panel; }
    AskPromptModel *model() const { return m_model.get(); }

signals:
    void opened();
    void closed();
    // A question, trimmed of white space and line breaks, never empty. The panel is closed.
    void submitted(const QString &question);
    void keySettingsRequested();

private:
    // How long the window manager gets to give the panel the keyboard before it is asked again.
    static constexpr int activationGraceMs = 150;
    void handleSubmit(const QString &text);
    void place();

    QPointer<AudioInput> m_input;
    AskPromptModel::Transcriber m_transcriber;
    KeyState m_keyState = KeyState::unknown;
    QPointer<AskPromptPanel> m_panel;
    std::unique_ptr<AskPromptModel> m_model;
    QRect m_petFrame;
    QRect m_visibleArea;
    QPointer<WindowSystem> m_windowSystem;
};
