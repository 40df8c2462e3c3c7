#pragma once

#include "pets/PetAnimationState.h"

#include <QtGlobal>

// One playable animation: an atlas row played at fps, looping or once.
struct PetAnimation {
    PetAnimationState state = PetAnimationState::Idle;
    qint64 row = 0;
    qint64 frameCount = 8; // at least 1
    double fps = 5.0; // at least 1.0
    bool loop = true;

    friend bool operator==(const PetAnimation &, const PetAnimation &) = default;
};
