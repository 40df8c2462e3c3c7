#include "rows.h"

#include <cmath>
#include <numbers>

namespace petgen {

namespace {

constexpr double Pi = std::numbers::pi;

double wave(int frame, int count, double shift = 0.0)
{
    return std::sin(2.0 * Pi * (frame + shift) / count);
}

// Quiet breathing with one blink.
Row idle()
{
    Row row { QStringLiteral("Idle"), { QStringLiteral("idle") }, 8.0, true, false, {} };
    const int chest[] = { 0, 0, 1, 1, 1, 1, 0, 0 };
    const int head[] = { 0, 0, 0, -1, -1, -1, 0, 0 };
    for (int f = 0; f < 8; ++f) {
        Pose p;
        p.chest = chest[f];
        p.headDy = head[f];
        p.tail = wave(f, 8);
        p.eyes = f == 6 ? Eyes::Blink : Eyes::Open;
        row.frames.push_back(p);
    }
    return row;
}

// A bouncy scamper in three-quarter view; `mirror` turns it to face left.
Row run(const QString &name, const QStringList &states, bool mirror)
{
    Row row { name, states, 12.0, true, mirror, {} };
    for (int f = 0; f < 8; ++f) {
        Pose p;
        p.profile = true;
        p.stride = f / 8.0;
        p.dy = -static_cast<int>(std::lround(1.0 - std::cos(4.0 * Pi * f / 8.0)));
        p.headDy = (f % 4 == 0) ? 1 : 0;
        p.leftEar = (f % 4 == 0) ? 1 : 0;
        p.rightEar = (f % 4 == 1) ? 1 : 0;
        p.tail = wave(f, 8);
        p.shadow = 1.0 + p.dy * 0.06;
        row.frames.push_back(p);
    }
    return row;
}

Row waveRow()
{
    Row row { QStringLiteral("Wave"), { QStringLiteral("waving") }, 10.0, false, false, {} };
    const QPointF paw[]
        = { { 14, 37.5 }, { 10, 31 }, { 7.5, 27 }, { 9.5, 23 }, { 7.5, 27 }, { 9.5, 23 }, { 9.5, 30 }, { 14.5, 38.5 } };
    for (int f = 0; f < 8; ++f) {
        Pose p;
        p.leftPaw = paw[f];
        p.eyes = (f >= 2 && f <= 5) ? Eyes::Happy : Eyes::Open;
        p.mouth = (f >= 1 && f <= 6) ? Mouth::Open : Mouth::Smile;
        p.leftEar = (f >= 1 && f <= 6) ? -1 : 0;
        p.tail = wave(f, 8) * 0.5;
        row.frames.push_back(p);
    }
    return row;
}

Row jump()
{
    Row row { QStringLiteral("Jump"), { QStringLiteral("jumping") }, 12.0, false, false, {} };
    struct Key {
        int dy;
        int squash;
        QPointF left;
        QPointF right;
        Eyes eyes;
        Mouth mouth;
        int ears;
        double feet;
    };
    const Key keys[] = {
        { 0, 2, { 16, 43.5 }, { 32, 43.5 }, Eyes::Closed, Mouth::Smile, 1, 0 },
        { -5, -1, { 10.5, 31 }, { 37.5, 31 }, Eyes::Open, Mouth::Open, -1, 0 },
        { -9, -1, { 9, 26.5 }, { 39, 26.5 }, Eyes::Wide, Mouth::Open, -1, 0 },
        { -11, 0, { 8.5, 28.5 }, { 39.5, 28.5 }, Eyes::Happy, Mouth::Open, 0, 1 },
        { -9, 0, { 9, 31 }, { 39, 31 }, Eyes::Happy, Mouth::Open, 0, 1 },
        { -5, -1, { 11, 34 }, { 37, 34 }, Eyes::Open, Mouth::Oh, -1, 0 },
        { 0, 2, { 15.5, 43.5 }, { 32.5, 43.5 }, Eyes::Closed, Mouth::Smile, 1, 0 },
        { 0, 1, { 16, 42.5 }, { 32, 42.5 }, Eyes::Open, Mouth::Smile, 0, 0 },
    };
    for (const Key &k : keys) {
        Pose p;
        p.dy = k.dy;
        p.squash = k.squash;
        p.leftPaw = k.left;
        p.rightPaw = k.right;
        p.eyes = k.eyes;
        p.mouth = k.mouth;
        p.leftEar = p.rightEar = k.ears;
        p.leftFootLift = p.rightFootLift = k.feet;
        p.shadow = 1.0 + k.dy / 22.0;
        p.tailLift = k.dy < 0 ? -1.5 : 0.0;
        row.frames.push_back(p);
    }
    return row;
}

// A big yawn with a stretch, then a sleepy droop.
Row tired()
{
    Row row { QStringLiteral("Tired"), { QStringLiteral("failed") }, 6.0, false, false, {} };
    struct Key {
        Eyes eyes;
        double open;
        int head;
        int ears;
        QPointF left;
        QPointF right;
        bool raised;
    };
    const Key keys[] = {
        { Eyes::Sleepy, 0.0, 0, 1, { 16.5, 41.5 }, { 31.5, 41.5 }, false },
        { Eyes::Sleepy, 0.3, -1, 0, { 13.5, 37 }, { 34.5, 37 }, true },
        { Eyes::Closed, 0.7, -1, 0, { 10.5, 33 }, { 37.5, 33 }, true },
        { Eyes::Closed, 1.0, -1, -1, { 9, 30.5 }, { 39, 30.5 }, true },
        { Eyes::Closed, 1.0, -1, -1, { 9, 30.5 }, { 39, 30.5 }, true },
        { Eyes::Closed, 0.5, 0, 0, { 12.5, 36 }, { 35.5, 36 }, true },
        { Eyes::Sleepy, 0.0, 1, 1, { 16.5, 41.5 }, { 31.5, 41.5 }, false },
        { Eyes::Sleepy, 0.0, 1, 1, { 16.5, 41.5 }, { 31.5, 41.5 }, false },
    };
    int f = 0;
    for (const Key &k : keys) {
        Pose p;
        p.eyes = k.eyes;
        p.mouth = k.open > 0 ? Mouth::Yawn : Mouth::Flat;
        p.mouthOpen = k.open;
        p.headDy = k.head;
        p.leftEar = p.rightEar = k.ears;
        p.leftPaw = k.left;
        p.rightPaw = k.right;
        p.leftArm = p.rightArm = k.raised ? Arms::Free : Arms::Sides;
        p.chest = k.head < 0 ? 1 : 0;
        p.tail = -0.5;
        p.sleepyZ = f++;
        row.frames.push_back(p);
    }
    return row;
}

// A paw on the hip and a toe tapping, eyes off to the side.
Row waiting()
{
    Row row { QStringLiteral("Waiting"), {}, 7.0, true, false, {} };
    const double toe[] = { 0, 1.5, 3, 3, 0, 0 };
    for (int f = 0; f < 6; ++f) {
        Pose p;
        p.rightToe = toe[f];
        p.rightFootDx = 1.0;
        p.rightPaw = { 33.5, 38.5 };
        p.tapMarks = f == 4;
        p.tailOnLeft = true;
        p.headDy = f == 4 ? 1 : 0;
        p.rightEar = f == 4 ? -1 : 0;
        p.lookX = -1;
        p.mouth = Mouth::Flat;
        p.tail = wave(f, 6);
        row.frames.push_back(p);
    }
    return row;
}

Row dancing()
{
    Row row { QStringLiteral("Dancing"), {}, 10.0, true, false, {} };
    const int sway[] = { 0, 1, 2, 1, 0, -1, -2, -1 };
    const int hop[] = { 0, -1, -2, -1, 0, -1, -2, -1 };
    const QPointF left[] = { { 11.5, 34 }, { 9, 28 }, { 8.5, 24.5 }, { 9, 28 }, { 11.5, 34 }, { 15, 39.5 },
        { 15.5, 40.5 }, { 15, 39.5 } };
    const QPointF right[] = { { 36.5, 34 }, { 33, 39.5 }, { 32.5, 40.5 }, { 33, 39.5 }, { 36.5, 34 }, { 39, 28 },
        { 39.5, 24.5 }, { 39, 28 } };
    const double leftLift[] = { 0, 1, 2, 1, 0, 0, 0, 0 };
    for (int f = 0; f < 8; ++f) {
        Pose p;
        p.dx = sway[f];
        p.dy = hop[f];
        p.squash = f % 4 == 0 ? 1 : 0;
        p.headDx = sway[f] / 2;
        p.leftEar = sway[f] > 0 ? -1 : (sway[f] < 0 ? 1 : 0);
        p.rightEar = -p.leftEar;
        p.leftPaw = left[f];
        p.rightPaw = right[f];
        p.leftFootLift = leftLift[f];
        p.rightFootLift = leftLift[(f + 4) % 8];
        p.eyes = Eyes::Happy;
        p.mouth = Mouth::Open;
        p.tail = wave(f, 8, 2.0);
        p.shadow = 1.0 + hop[f] * 0.05;
        p.note = f;
        row.frames.push_back(p);
    }
    return row;
}

// Reading a little page line by line.
Row review()
{
    Row row { QStringLiteral("Review"), { QStringLiteral("review") }, 8.0, true, false, {} };
    const int look[] = { 0, 1, 1, 0, 1, 1 };
    for (int f = 0; f < 6; ++f) {
        Pose p;
        p.page = true;
        p.readingLine = 1 + f / 3;
        p.rightArm = Arms::Free;
        p.rightPaw = { 33, 35.5 };
        p.lookX = look[f];
        p.lookY = 1;
        p.headDy = f == 3 ? 1 : 0;
        p.mouth = Mouth::Smile;
        p.tail = wave(f, 6);
        row.frames.push_back(p);
    }
    return row;
}

}

std::vector<Row> tamselRows()
{
    // The program turns this pet's two run rows around, so "Run Right" is drawn heading left
    // and "Run Left" heading right. The manifest names each by the way it really runs.
    return {
        idle(),
        run(QStringLiteral("Run Right"), { QStringLiteral("running-left") }, true),
        run(QStringLiteral("Run Left"), { QStringLiteral("running-right"), QStringLiteral("running") }, false),
        waveRow(),
        jump(),
        tired(),
        waiting(),
        dancing(),
        review(),
    };
}

}
