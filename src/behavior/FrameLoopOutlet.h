#pragma once

#include <QImage>
#include <QList>

// Where an animation player's frames go when that place can also play a looping row by itself,
// on its own clock, so the player need not wake up for every frame of a pet that only breathes.
class FrameLoopOutlet {
public:
    virtual ~FrameLoopOutlet() = default;

    // Takes over a loop: frames[shown] is on screen now, the next frame is due one interval from
    // now, and the frames then follow one another in a loop. False when it cannot; the player
    // then goes on as before.
    virtual bool takeLoop(const QList<QImage> &frames, int intervalMs, qsizetype shown) = 0;
    // Ends the loop it took; returns the index of the frame on screen.
    virtual qsizetype returnLoop() = 0;
};
