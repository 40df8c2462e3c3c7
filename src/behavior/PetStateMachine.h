#pragma once

#include "pets/PetAnimationState.h"

#include <QObject>

#include <optional>

// The pet's current animation state. Whoever plays the pet's animations (the coordinator) listens
// to stateEntered and turns the new state into an animation; a listener that is destroyed simply
// stops hearing about changes. Main thread only.
class PetStateMachine : public QObject {
    Q_OBJECT

public:
    // Who asks for a change. An autonomous request never leaves a pinned state once the machine
    // is in it; user and system requests always may.
    enum class Source { User, Autonomous, System };

    explicit PetStateMachine(QObject *parent = nullptr);

    PetAnimationState currentState() const { return m_currentState; }
    std::optional<PetAnimationState> pinnedState() const { return m_pinnedState; }
    void setPinnedState(std::optional<PetAnimationState> state) { m_pinnedState = state; }

    // Enters state unless it is the current one, or the request is autonomous and the machine is
    // in its pinned state. stateEntered is emitted after currentState() has changed, so a
    // listener may request again.
    void request(PetAnimationState state, Source source);

signals:
    void stateEntered(PetAnimationState state);

private:
    PetAnimationState m_currentState = PetAnimationState::Idle;
    std::optional<PetAnimationState> m_pinnedState;
};
