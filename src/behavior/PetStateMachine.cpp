#include "behavior/PetStateMachine.h"

PetStateMachine::PetStateMachine(QObject *parent)
    : QObject(parent)
{
}

void PetStateMachine::request(PetAnimationState state, Source source)
{
    if (source == Source::Autonomous && m_pinnedState && m_currentState == *m_pinnedState)
        return;
    if (state == m_currentState)
        return;
    m_currentState = state;
    emit stateEntered(state);
}
