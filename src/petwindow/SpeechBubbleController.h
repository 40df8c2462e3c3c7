#pragma once

#include <chrono>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QTimer>

class QPropertyAnimation;
class SpeechBubbleView;
class WindowSystem;

// The one speech bubble of the program: shows a line next to the pet window for a while, fades
// in and out, and gives its window back 30 seconds after it was last hidden. A new line replaces
// the one showing and restarts the clock.
class SpeechBubbleController final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds fadeDuration { 180 };
    static constexpr std::chrono::milliseconds defaultReleaseDelay { 30000 };

    explicit SpeechBubbleController(WindowSystem *windowSystem, QObject *parent = nullptr);
    ~SpeechBubbleController() override;

    // The pet window the bubble follows. Held weakly; nothing is said without one.
    void setPetWindow(QWidget *petWindow);
    QWidget *petWindow() const { return m_petWindow; }

    // Shows the line (trimmed) for the duration. A line that is empty once trimmed shows nothing
    // and leaves a showing bubble as it is.
    void show(const QString &text, std::chrono::milliseconds duration);
    // Fades the bubble out now.
    void hide();
    // Keeps a showing bubble attached to the pet after the pet window moved: same size and tail
    // direction, centred on the pet again.
    void repositionAboveCurrentPet();

    // How long the window is kept after the bubble was hidden.
    void setReleaseDelay(std::chrono::milliseconds delay);

    // The bubble's window while it exists (between a show and its release), for inspection.
    SpeechBubbleView *view() const { return m_view.get(); }
    // Shown and not fading out.
    bool isShowing() const;

private:
    void ensureWindow();
    void fadeTo(qreal opacity);
    void onFadeFinished();
    void scheduleRelease();
    void releaseWindow();

    QPointer<WindowSystem> m_windowSystem;
    QPointer<QWidget> m_petWindow;
    std::unique_ptr<SpeechBubbleView> m_view;
    QPointer<QPropertyAnimation> m_fade;
    bool m_fadingOut = false;
    QTimer m_dismissTimer;
    QTimer m_releaseTimer;
};
