#pragma once

#include <QPointF>

class PetSpriteView;

// Receives the gestures of the pet's sprite view. What a gesture means is the receiver's choice.
class PetSpriteViewDelegate {
public:
    virtual ~PetSpriteViewDelegate() = default;

    // A left-button release without a drag: the first of any clicks.
    virtual void petSpriteViewDidClick(PetSpriteView *view) = 0;
    // The release of a double (or further) click without a drag, Ctrl not held. A double-click
    // arrives as a click first and this second.
    virtual void petSpriteViewDidDoubleClick(PetSpriteView *view) = 0;
    // The same with Ctrl held.
    virtual void petSpriteViewDidCommandDoubleClick(PetSpriteView *view) = 0;
    // Once per press, when the mouse has moved far enough for the press to become a drag.
    virtual void petSpriteViewDidStartDrag(PetSpriteView *view) = 0;
    // When a press that became a drag ends, however it ends.
    virtual void petSpriteViewDidEndDrag(PetSpriteView *view) = 0;
    // A right-button press at the global mouse position.
    virtual void petSpriteViewDidRequestContextMenu(PetSpriteView *view, QPointF globalPosition) = 0;
    // During a drag, when the mouse moved more than 1 point horizontally since the previous drag
    // event: +1 to the right, -1 to the left.
    virtual void petSpriteViewDidDragInDirection(PetSpriteView *view, int direction) = 0;
};
