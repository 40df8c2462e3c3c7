#include "app/AppToolHost.h"

#include "app/AppCoordinator.h"
#include "app/PetSession.h"

ReminderStore &AppToolHost::reminderStore()
{
    return m_coordinator.reminderStore();
}

NoteStore &AppToolHost::noteStore()
{
    return m_coordinator.noteStore();
}

PetAnimationMapStore &AppToolHost::animationMapStore()
{
    return m_coordinator.animationMapStore();
}

const PetPackage *AppToolHost::currentPackage() const
{
    const PetSession *session = m_coordinator.session();
    return session ? &session->package() : nullptr;
}

SpriteSheetDecoder *AppToolHost::spriteDecoder() const
{
    const PetSession *session = m_coordinator.session();
    return session ? session->decoder().get() : nullptr;
}

void AppToolHost::playRowOneShot(int row)
{
    if (PetSession *session = m_coordinator.session())
        session->playRowOneShot(row);
}
