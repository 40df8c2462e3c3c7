#pragma once

#include "behavior/AnimationRules.h"
#include "behavior/PetStateMachine.h"
#include "pets/PetPackage.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSize>

#include <memory>
#include <optional>

class AnimationPlayer;
class BehaviorDirector;
class Clock;
class PetAnimationMapStore;
class PetWindowController;
class RandomSource;
class SettingsStore;
class SpeechBubbleController;
class SpriteSheetDecoder;
class WindowSystem;

// The pet on screen: its package, decoded atlas, player, window and behaviour, and which row it
// plays. A session exists exactly while a pet is loaded; switching pets replaces it. It answers the
// gestures on the pet itself and passes on what concerns the rest of the program as signals.
class PetSession : public QObject {
    Q_OBJECT

public:
    // What a session works with; all of it outlives the session.
    struct Services {
        SettingsStore &settings;
        PetAnimationMapStore &maps;
        PetStateMachine &stateMachine;
        Clock &clock;
        RandomSource &random;
        WindowSystem *windowSystem = nullptr;
        SpeechBubbleController &bubble;
        QString bundledPetID; // the built-in pet's id, empty when unknown
    };

    // Creates the window at the saved position (hidden), or takes over one made by createWindow(),
    // which may already be on screen; setShown() puts it there.
    PetSession(const PetPackage &package, std::shared_ptr<SpriteSheetDecoder> decoder, const Services &services,
        std::unique_ptr<PetWindowController> window = nullptr, QObject *parent = nullptr);
    ~PetSession() override;

    // The pet's window for frames of that size, as a session makes it: at the saved position, at
    // the saved scale, level and click-through, hidden.
    static std::unique_ptr<PetWindowController> createWindow(QSize frame, const Services &services);
    // The cell whose frame a new session shows first: column 0 of the idle row.
    static qint64 firstRow(const PetManifest &manifest);
    // The window's size for a manifest's cells at a scale, within sane bounds.
    static QSize windowSize(QSize frame, double scale);
    // A saved window position, when it is one a screen could hold.
    static std::optional<QPoint> usableOrigin(std::optional<QPointF> saved);

    const PetPackage &package() const { return m_package; }
    const std::shared_ptr<SpriteSheetDecoder> &decoder() const { return m_decoder; }
    AnimationPlayer &player() const { return *m_player; }
    PetWindowController &window() const { return *m_window; }
    BehaviorDirector &behavior() const { return *m_behavior; }
    std::optional<qint64> pinnedRow() const { return m_pinnedRow; }

    void setShown(bool shown);
    // Shown and exposed on screen.
    bool isShown() const;

    // Plays a row in a loop until cleared, whatever the engine asks for.
    void pinRow(qint64 row);
    void clearPinnedRow();
    // Plays a row once, ending any stroll first, then returns to the idle or pinned row.
    void playRowOneShot(qint64 row);
    // Re-reads what the row names make of the rows (after a rename).
    void refreshRows();
    // The playback speed or the scale setting changed.
    void applyPlaybackSpeed();
    void applyScale();
    // Saves the window's position and screen.
    void saveFrame();

signals:
    // What the menu shows changed: the pinned row or the playing state.
    void menuStateChanged();
    void shownChanged(bool shown);
    // A frame reached the screen for the first time.
    void firstFrameShown();
    // Gestures for the rest of the program: any gesture at all, the Ask prompt, the menu.
    void interacted();
    void askPromptRequested();
    void contextMenuRequested(QPoint globalPosition);

private:
    AnimationRules::Context animationContext() const;
    QString rowName(qint64 row) const;
    bool rowHasFrames(qint64 row) const;
    void playAnimation(PetAnimationState label, qint64 row, bool loop, std::optional<double> fps = {});
    void playIdleRow();
    std::optional<qint64> randomNonDefaultRow() const;
    void onEngineRow(qint64 row, bool oneShot);
    void onChatter(qint64 row);
    void onStateEntered(PetAnimationState state);
    void onOneShotFinished();
    void onFrame(const QImage &frame);
    void onVisibilityChanged(bool visible);
    void reportFirstFrame();
    void onClick();
    void onDoubleClick();
    void onDragStarted();
    void onDragged(int direction);
    void onDragEnded();

    Services m_services;
    PetPackage m_package;
    std::shared_ptr<SpriteSheetDecoder> m_decoder;
    std::unique_ptr<AnimationPlayer> m_player;
    std::unique_ptr<PetWindowController> m_window;
    std::unique_ptr<BehaviorDirector> m_behavior;
    std::optional<qint64> m_pinnedRow;
    std::optional<qint64> m_dragRow;
    bool m_firstFrameShown = false;
};
