#pragma once

#include "llm/ToolHost.h"

class AppCoordinator;

// The running application as the agent's tools see it: the coordinator's stores, its active pet
// and its one-shot play, lent through the coordinator that owns this host.
class AppToolHost final : public ToolHost {
public:
    explicit AppToolHost(AppCoordinator &coordinator)
        : m_coordinator(coordinator)
    {
    }

    ReminderStore &reminderStore() override;
    NoteStore &noteStore() override;
    PetAnimationMapStore &animationMapStore() override;
    const PetPackage *currentPackage() const override;
    SpriteSheetDecoder *spriteDecoder() const override;
    void playRowOneShot(int row) override;

private:
    AppCoordinator &m_coordinator;
};
