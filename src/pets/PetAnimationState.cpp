#include "pets/PetAnimationState.h"

#include <QHash>

namespace PetAnimationStates {

QList<PetAnimationState> all()
{
    return { PetAnimationState::Idle, PetAnimationState::Waving, PetAnimationState::Jumping, PetAnimationState::Failed,
        PetAnimationState::Review, PetAnimationState::Running, PetAnimationState::RunningRight,
        PetAnimationState::RunningLeft };
}

int position(PetAnimationState state)
{
    return static_cast<int>(state);
}

QString rawString(PetAnimationState state)
{
    switch (state) {
    case PetAnimationState::Idle: return QStringLiteral("idle");
    case PetAnimationState::Waving: return QStringLiteral("waving");
    case PetAnimationState::Jumping: return QStringLiteral("jumping");
    case PetAnimationState::Failed: return QStringLiteral("failed");
    case PetAnimationState::Review: return QStringLiteral("review");
    case PetAnimationState::Running: return QStringLiteral("running");
    case PetAnimationState::RunningRight: return QStringLiteral("running-right");
    case PetAnimationState::RunningLeft: return QStringLiteral("running-left");
    }
    return QStringLiteral("idle");
}

bool loopsByDefault(PetAnimationState state)
{
    switch (state) {
    case PetAnimationState::Waving:
    case PetAnimationState::Jumping:
    case PetAnimationState::Failed: return false;
    default: return true;
    }
}

std::optional<PetAnimationState> parse(const QString &name)
{
    const QString key = name.trimmed().toLower();
    for (PetAnimationState state : all()) {
        if (key == rawString(state))
            return state;
    }
    static const QHash<QString, PetAnimationState> aliases {
        { QStringLiteral("wave"), PetAnimationState::Waving },
        { QStringLiteral("jump"), PetAnimationState::Jumping },
        { QStringLiteral("fail"), PetAnimationState::Failed },
        { QStringLiteral("error"), PetAnimationState::Failed },
        { QStringLiteral("run"), PetAnimationState::Running },
        { QStringLiteral("running_right"), PetAnimationState::RunningRight },
        { QStringLiteral("runright"), PetAnimationState::RunningRight },
        { QStringLiteral("right"), PetAnimationState::RunningRight },
        { QStringLiteral("running_left"), PetAnimationState::RunningLeft },
        { QStringLiteral("runleft"), PetAnimationState::RunningLeft },
        { QStringLiteral("left"), PetAnimationState::RunningLeft },
    };
    const auto it = aliases.constFind(key);
    if (it != aliases.constEnd())
        return it.value();
    return std::nullopt;
}

}
