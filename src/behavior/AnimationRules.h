#pragma once

#include "pets/PetAnimation.h"

#include <QString>

#include <functional>
#include <optional>

class AnimationPlayer;
class SpriteSheetDecoder;
struct PetManifest;

// How the coordinator turns a state or an atlas row into an animation: frame rates from the
// user's row names, the playback speed, and fallbacks for rows the atlas does not fill.
namespace AnimationRules {

// What is known about the active pet when an animation is built.
struct Context {
    const PetManifest *manifest = nullptr; // null when no pet is loaded
    const SpriteSheetDecoder *decoder = nullptr; // null until the pet's atlas is decoded
    std::optional<qint64> moveRightRow; // the rows strolls play (the behaviour engine's)
    std::optional<qint64> moveLeftRow;
    std::function<QString(qint64 row)> rowName; // the user's name for a row, empty when none
    double speed = 1.0; // the playback-speed setting
};

inline constexpr double movementFps = 12.0;
inline constexpr double defaultFps = 8.0;

// The speed multiplier in force: a value that is not a positive finite number counts as 1.0.
double effectiveSpeed(double speed);

// The base frame rate of a row: 12 for the movement rows, 8 for row 0 and whenever no pet is
// loaded, otherwise the rate of the first keyword its lower-cased name contains ("wave" 10,
// "jump" 12, "danc" 10, "wait" 7, "tired" 6, "sleep" 6, "review" 8), else 8.
double fpsForRow(qint64 row, const Context &context);

// fpsForRow scaled by the speed, at least 1.0.
double scaledFps(qint64 row, const Context &context);

// The animation for a state: the manifest's declaration when it has one, exactly as declared;
// otherwise the state's default row when the atlas fills it, else row 0, at the scaled rate.
PetAnimation resolveAnimation(PetAnimationState state, const Context &context);

// Re-times the playing row after the speed changed, keeping the frame shown, and plays it (even
// when the player was paused). Does nothing without a decoder or when the row has no frames.
// Returns whether the player was re-timed.
bool applyPlaybackSpeed(AnimationPlayer &player, const Context &context);

}
