#include "pets/PetManifest.h"

PetAnimation PetManifest::animation(PetAnimationState state) const
{
    const auto it = animations.constFind(state);
    if (it != animations.constEnd())
        return it.value();
    return PetAnimation { state, PetAnimationStates::position(state), defaultFrameCount, defaultFps,
        PetAnimationStates::loopsByDefault(state) };
}
