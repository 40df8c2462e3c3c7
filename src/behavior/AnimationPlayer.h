#pragma once

#include "behavior/FrameLoopOutlet.h"
#include "pets/PetAnimation.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>
#include <utility>

class SpriteSheetDecoder;

// Steps through the frames of one animation on a precise timer and hands each frame out through
// frameEmitted. The player advances only while it is neither paused (stopped on request, or at
// the end of a one-shot) nor suspended (the pet cannot be seen); its frame timer runs exactly
// then, so a hidden pet costs no wake-ups at all. Pausing and suspending are independent: lifting
// a suspension restores whatever the pause state says.
//
// Frames come from the decoder. The player keeps the frames of the row it plays and of the last
// keptRows rows before it, so an animation does not crop again when it comes back, even when
// other users of the decoder push its frames out of the decoder's small cache. A frame that lies outside the atlas is
// replaced by the atlas's first cell; when that is missing too, nothing is emitted.
//
// Given an outlet, a looping animation that has shown each of its frames once is handed to the
// outlet, which then plays it by itself; the frame timer stops meanwhile and the player counts as
// running. Anything that changes the player takes the loop back first, from the frame on screen.
// Main thread only. Do not delete the player
// from a slot connected to its own signals (use deleteLater()).
class AnimationPlayer : public QObject {
    Q_OBJECT

public:
    // Bounds of the frame interval whatever the frame rate asks for: never faster than about 60
    // frames per second, never slower than one frame a second.
    static constexpr int minimumIntervalMs = 17;
    static constexpr int maximumIntervalMs = 1000;
    // Frames of the playing row kept by the player, at most.
    static constexpr qsizetype maximumCachedFrames = 64;
    // Rows played before the current one whose frames the player keeps as well.
    static constexpr qsizetype keptRows = 2;

    // A new player is paused at frame 0 and emits nothing until set() or play().
    AnimationPlayer(
        std::shared_ptr<const SpriteSheetDecoder> decoder, const PetAnimation &animation, QObject *parent = nullptr);
    ~AnimationPlayer() override;

    const std::shared_ptr<const SpriteSheetDecoder> &decoder() const { return m_decoder; }
    // The animation as installed: frame count raised to 1 and frame rate to 1.0 when lower.
    const PetAnimation &animation() const { return m_animation; }
    qint64 currentFrameIndex() const { return m_currentFrameIndex; }
    bool isPaused() const { return m_paused; }
    bool isSuspended() const { return m_suspended; }
    // Whether frames advance, that is whether the frame timer runs.
    bool isRunning() const { return m_timer.isActive() || m_looping; }
    // Whether the outlet plays the frames now.
    bool isLooping() const { return m_looping; }
    const QTimer &frameTimer() const { return m_timer; }

    // Installs an animation (from frame 0 when reset) and shows the current frame. A player that
    // was playing goes on playing the new animation; a paused one stays paused until play().
    void set(const PetAnimation &animation, bool reset);
    // Starts a paused player (unless suspended, in which case it starts when unsuspended). Does
    // nothing while frames already advance.
    void play();
    // Stops advancing; the current frame stays on screen.
    void stop();
    void pause() { stop(); }
    void setSuspended(bool suspended);

    // Where frames may be played by themselves; null for none. The outlet must outlive the player
    // or be unset first.
    void setLoopOutlet(FrameLoopOutlet *outlet);
    // The outlet ended the loop by itself with frame `shown` on screen: the timer takes over.
    void loopReturned(qsizetype shown);

    // Emits the current frame again.
    void emitCurrent();
    // One step of the frame timer. A looping animation wraps to frame 0 after its last frame. A
    // one-shot holds its last frame for one more step, then pauses and emits oneShotFinished.
    void tick();

    // The timer interval for a frame rate, bounded as above.
    static int intervalMs(double fps);

signals:
    void frameEmitted(const QImage &frame);
    void oneShotFinished();

private:
    void install(const PetAnimation &animation);
    void startFrameTimer();
    QImage frameForColumn(qint64 column);
    // The frame shown at an index of the animation.
    QImage frameAt(qint64 index);
    void offerLoop();
    void takeLoopBack();
    void resumeFrom(qsizetype shown);

    std::shared_ptr<const SpriteSheetDecoder> m_decoder;
    PetAnimation m_animation;
    qint64 m_currentFrameIndex = 0;
    bool m_paused = true;
    bool m_suspended = false;
    QTimer m_timer;
    // Frames shown for the current row, by column; a null entry has not been looked up yet.
    QList<QImage> m_frames;
    // The frames of the rows played last, by row, most recent first.
    QList<std::pair<qint64, QList<QImage>>> m_recentRows;
    FrameLoopOutlet *m_outlet = nullptr;
    bool m_looping = false;
    // Steps the timer made since it last started: a loop is offered once it covers the row.
    qint64 m_steps = 0;
};
