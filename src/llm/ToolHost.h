#pragma once

class NoteStore;
class PetAnimationMapStore;
class ReminderStore;
class SpriteSheetDecoder;
struct PetPackage;

// The running application as the agent's tools see it: the stores they change and the active
// pet. The application coordinator is the only implementation. Nothing here is owned by the
// caller; the pointers are null when no pet is loaded.
class ToolHost {
public:
    virtual ~ToolHost() = default;

    virtual ReminderStore &reminderStore() = 0;
    virtual NoteStore &noteStore() = 0;
    virtual PetAnimationMapStore &animationMapStore() = 0;
    virtual const PetPackage *currentPackage() const = 0;
    virtual SpriteSheetDecoder *spriteDecoder() const = 0;
    // Plays the row once when it has frames, then returns to the pet's usual behaviour.
    virtual void playRowOneShot(int row) = 0;
};
