#include "behavior/PetStateMachine.h"

#include "support/TestMain.h"

using State = PetAnimationState;
using Source = PetStateMachine::Source;

class TestPetStateMachine : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_machine = std::make_unique<PetStateMachine>();
        m_entered.clear();
        connect(m_machine.get(), &PetStateMachine::stateEntered, this, [this](State state) {
            QCOMPARE(m_machine->currentState(), state); // already entered when listeners hear of it
            m_entered.append(state);
        });
    }

    void requestsEnterNewStatesOnly()
    {
        m_machine->request(State::Idle, Source::System); // already there
        m_machine->request(State::Running, Source::User);
        m_machine->request(State::Running, Source::User); // a repeated toggle is ignored
        m_machine->request(State::Waving, Source::Autonomous); // no pin: autonomous requests are free
        m_machine->request(State::Idle, Source::System);
        QCOMPARE(m_entered, (QList<State> { State::Running, State::Waving, State::Idle }));
    }

    void pinHoldsOnlyAgainstAutonomousRequestsInThePinnedState()
    {
        m_machine->setPinnedState(State::Review);
        m_machine->request(State::Jumping, Source::Autonomous); // not in the pinned state yet
        m_machine->request(State::Review, Source::User);
        m_machine->request(State::Waving, Source::Autonomous); // held
        m_machine->request(State::Failed, Source::User);
        m_machine->request(State::Review, Source::System);
        m_machine->request(State::Idle, Source::System);
        m_machine->setPinnedState(std::nullopt);
        m_machine->request(State::Running, Source::Autonomous);
        QCOMPARE(m_entered,
            (QList<State> {
                State::Jumping, State::Review, State::Failed, State::Review, State::Idle, State::Running }));
    }

private:
    std::unique_ptr<PetStateMachine> m_machine;
    QList<State> m_entered;
};

TAMSEL_TEST_MAIN(TestPetStateMachine)
#include "tst_petstatemachine.moc"
