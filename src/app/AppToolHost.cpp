#include "app/AppToolHost.h"

#include "app/AppDelegate.h"

ReminderStore &AppToolHost::reminderStore()
{
    return m_delegate.reminderStore();
}

NoteStore &AppToolHost::noteStore()
{
    return m_delegate.noteStore();
}

PetAnimationMapStore &AppToolHost::animationMapStore()
{
    return m_delegate.animationMapStore();
}

const PetPackage *AppToolHost::currentPackage() const
{
    const auto &package = m_delegate.currentPackage();
    return package ? &*package : nullptr;
}

SpriteSheetDecoder *AppToolHost::spriteDecoder() const
{
    return m_delegate.spriteDecoder().get();
}

void AppToolHost::playRowOneShot(int row)
{
    m_delegate.playRowOneShot(row);
}
