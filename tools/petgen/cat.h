#pragma once

#include "pixelart.h"

#include <QPointF>

// Tamsel, the cream chibi cat, drawn pose by pose on the art grid.
namespace petgen {

enum class Eyes {
    Open,
    Blink, // a thin closed line
    Happy, // upturned arcs
    Sleepy, // heavy lids
    Closed, // gently shut, for yawning
    Wide, // surprised, round
};

enum class Mouth {
    Smile, // the little cat mouth
    Open, // an open, happy smile
    Flat, // a short line
    Oh, // a small round mouth
    Yawn, // opens with `Pose::mouthOpen`
};

enum class Arms {
    Sides, // in front of the body, under the head
    Free, // in front of everything, for raised paws
};

struct Pose {
    bool profile = false; // three-quarter view facing right, legs and arms swinging
    int dx = 0; // whole cat
    int dy = 0;
    int headDx = 0; // head against the body
    int headDy = 0;
    int chest = 0; // breathing: how far the top of the body rises
    int squash = 0; // > 0 squashed (crouch, landing), < 0 stretched
    int leftEar = 0; // ear droop (+) or perk (-)
    int rightEar = 0;

    Arms leftArm = Arms::Sides; // the arm on the viewer's left
    Arms rightArm = Arms::Sides;
    QPointF leftPaw { 16.5, 41.5 }; // paw centres before the whole-cat offset
    QPointF rightPaw { 31.5, 41.5 };
    double leftFootLift = 0; // front view: feet lift off the ground
    double rightFootLift = 0;
    double leftFootDx = 0;
    double rightFootDx = 0;
    double rightToe = 0; // the right foot's toes tip up by this much, heel down

    double stride = 0; // profile: leg phase in turns (0..1)

    Eyes eyes = Eyes::Open;
    int lookX = 0; // pupils
    int lookY = 0;
    Mouth mouth = Mouth::Smile;
    double mouthOpen = 0; // 0..1, for Mouth::Yawn

    double tail = 0; // swish, about -1..1
    double tailLift = 0;
    bool tailOnLeft = false; // front view: the tail curls up on the viewer's left
    double shadow = 1; // ground shadow width; 0 hides it

    bool page = false; // holding a little page
    int readingLine = -1; // the line being read, drawn darker
    int note = -1; // a floating music note, phase 0..7
    int sleepyZ = -1; // a drifting "z", phase 0..7
    bool tapMarks = false; // little lines where the right foot hits the ground
};

// The frame for `pose` on a fresh canvas. `mirror` flips it to face the other way.
Canvas drawCat(const Pose &pose, bool mirror = false);
// Only the front view's ears, head and face, the head centred on (hx, hy): the program's icon.
Canvas drawHead(const Pose &pose, int hx, int hy);

}
