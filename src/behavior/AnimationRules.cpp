#include "behavior/AnimationRules.h"

#include "behavior/AnimationPlayer.h"
#include "behavior/RowRoles.h"
#include "pets/PetManifest.h"
#include "pets/SpriteSheetDecoder.h"

#include <algorithm>
#include <cmath>

namespace AnimationRules {

double effectiveSpeed(double speed)
{
    return (std::isfinite(speed) && speed > 0.0) ? speed : 1.0;
}

double fpsForRow(qint64 row, const Context &context)
{
    if (row == context.moveRightRow || row == context.moveLeftRow)
        return movementFps;
    if (row == 0 || !context.manifest)
        return defaultFps;
    const QString name = context.rowName ? context.rowName(row).toLower() : QString();
    return RowRoles::keywordFps(name).value_or(defaultFps);
}

double scaledFps(qint64 row, const Context &context)
{
    return std::max(fpsForRow(row, context) * effectiveSpeed(context.speed), 1.0);
}

PetAnimation resolveAnimation(PetAnimationState state, const Context &context)
{
    const qint64 defaultRow = PetAnimationStates::position(state);
    const bool loop = PetAnimationStates::loopsByDefault(state);
    if (!context.manifest)
        return { state, defaultRow, PetManifest::defaultFrameCount, PetManifest::defaultFps, loop };

    const auto declared = context.manifest->animations.constFind(state);
    if (declared != context.manifest->animations.cend())
        return *declared;

    qint64 row = 0;
    qint64 frameCount = PetManifest::defaultFrameCount;
    if (context.decoder) {
        const qint64 defaultRowFrames = context.decoder->effectiveFrameCount(defaultRow);
        if (defaultRowFrames > 0) {
            row = defaultRow;
            frameCount = defaultRowFrames;
        } else {
            frameCount = std::max<qint64>(context.decoder->effectiveFrameCount(0), 1);
        }
    }
    return { state, row, frameCount, scaledFps(row, context), loop };
}

bool applyPlaybackSpeed(AnimationPlayer &player, const Context &context)
{
    if (!context.decoder)
        return false;
    PetAnimation animation = player.animation();
    if (context.decoder->effectiveFrameCount(animation.row) < 1)
        return false;
    animation.frameCount = std::max<qint64>(animation.frameCount, 1);
    animation.fps = scaledFps(animation.row, context);
    player.stop();
    player.set(animation, false); // a paused player shows the current frame and stays paused
    player.play();
    return true;
}

}
