#pragma once

#include <QList>
#include <QString>

#include <optional>

// The eight animation states. A state's position is its default atlas row.
enum class PetAnimationState { Idle, Waving, Jumping, Failed, Review, Running, RunningRight, RunningLeft };

namespace PetAnimationStates {
QList<PetAnimationState> all();
int position(PetAnimationState state);
QString rawString(PetAnimationState state);
bool loopsByDefault(PetAnimationState state);
// Matches raw strings, then aliases ("wave", "run", "right", ...), after lower-casing and trimming.
std::optional<PetAnimationState> parse(const QString &name);
}
