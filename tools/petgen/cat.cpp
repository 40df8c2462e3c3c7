#include "cat.h"

#include <cmath>
#include <numbers>

namespace petgen {

namespace {

constexpr QRgb Outline = qRgb(0x5a, 0x3b, 0x30);
constexpr Tone Fur { qRgb(0xfb, 0xee, 0xd3), qRgb(0xec, 0xd3, 0xaa), qRgb(0xff, 0xfa, 0xef) };
constexpr Tone FarFur { qRgb(0xe4, 0xc8, 0x9c), qRgb(0xd2, 0xb2, 0x84), qRgb(0xee, 0xd9, 0xb5) };
constexpr QRgb Stripe = qRgb(0xe3, 0xbd, 0x86);
constexpr QRgb EarPink = qRgb(0xf3, 0xab, 0xa6);
constexpr QRgb NosePink = qRgb(0xe5, 0x7f, 0x88);
constexpr QRgb Blush = qRgb(0xf8, 0xbf, 0xb5);
constexpr QRgb EyeDark = qRgb(0x33, 0x22, 0x1f);
constexpr QRgb Shine = qRgb(0xff, 0xff, 0xff);
constexpr QRgb MouthInside = qRgb(0xa3, 0x46, 0x4f);
constexpr QRgb Tongue = qRgb(0xf0, 0x8e, 0x97);
constexpr Tone Paper { qRgb(0xfd, 0xfc, 0xf6), qRgb(0xdc, 0xdf, 0xe4), qRgb(0xff, 0xff, 0xff) };
constexpr QRgb PaperOutline = qRgb(0x6b, 0x5a, 0x55);
constexpr QRgb Ink = qRgb(0xa7, 0xb3, 0xc2);
constexpr QRgb InkDark = qRgb(0x5d, 0x74, 0x8f);
constexpr QRgb NoteColour = qRgb(0x7a, 0x5a, 0xa8);
constexpr QRgb SleepColour = qRgb(0x6f, 0x8f, 0xb8);
constexpr QRgb GroundShadow = qRgba(0x3a, 0x28, 0x20, 0x46);

constexpr double Pi = std::numbers::pi;
// Rows between the top of the cell and the drawing's own origin: room for the ears at the top of a jump.
constexpr int Baseline = 2;

struct Origin {
    int x;
    int y;
    QPointF operator()(double px, double py) const { return { px + x, py + y }; }
    QPointF operator()(QPointF p) const { return { p.x() + x, p.y() + y }; }
};

void putAll(Canvas &canvas, std::initializer_list<QPoint> points, QRgb colour)
{
    for (const QPoint &p : points)
        canvas.put(p.x(), p.y(), colour);
}

// One eye; (x, y) is the top-left pixel of an open eye. `outward` is -1 for the eye on the
// left of the face and +1 for the right one, so lashes and lids curl away from the nose.
void eye(Canvas &c, int x, int y, const Pose &pose, int outward)
{
    const int ox = outward < 0 ? x - 1 : x + 2; // the pixel just outside the eye
    switch (pose.eyes) {
    case Eyes::Open:
    case Eyes::Wide: {
        const int ex = x + pose.lookX;
        const int ey = y + pose.lookY;
        const int top = pose.eyes == Eyes::Wide ? ey - 1 : ey;
        for (int yy = top; yy <= ey + 2; ++yy) {
            c.put(ex, yy, EyeDark);
            c.put(ex + 1, yy, EyeDark);
        }
        c.put(ex, top, Shine);
        if (pose.eyes == Eyes::Wide)
            c.put(ex + 1, ey + 1, Shine);
        break;
    }
    case Eyes::Blink: putAll(c, { { x, y + 2 }, { x + 1, y + 2 }, { ox, y + 1 } }, Outline); break;
    case Eyes::Happy: putAll(c, { { x - 1, y + 2 }, { x, y + 1 }, { x + 1, y + 1 }, { x + 2, y + 2 } }, Outline); break;
    case Eyes::Closed:
        putAll(c, { { x - 1, y + 1 }, { x, y + 2 }, { x + 1, y + 2 }, { x + 2, y + 1 } }, Outline);
        break;
    case Eyes::Sleepy:
        putAll(c, { { x - 1 + (outward < 0 ? 0 : 1), y + 1 }, { x, y + 1 }, { x + 1, y + 1 } }, Outline);
        putAll(c, { { x + pose.lookX, y + 2 }, { x + 1 + pose.lookX, y + 2 } }, EyeDark);
        break;
    }
}

void mouth(Canvas &c, int mx, int my, const Pose &pose)
{
    // (mx, my) is the left pixel of the two-pixel nose; the face's centre line runs between
    // mx and mx + 1.
    putAll(c, { { mx, my }, { mx + 1, my } }, NosePink);
    switch (pose.mouth) {
    case Mouth::Smile:
        putAll(c,
            { { mx - 2, my + 1 }, { mx - 1, my + 2 }, { mx, my + 1 }, { mx + 1, my + 1 }, { mx + 2, my + 2 },
                { mx + 3, my + 1 } },
            Outline);
        break;
    case Mouth::Open:
        putAll(c,
            { { mx - 1, my + 1 }, { mx + 2, my + 1 }, { mx - 1, my + 2 }, { mx + 2, my + 2 }, { mx, my + 3 },
                { mx + 1, my + 3 } },
            Outline);
        putAll(c, { { mx, my + 1 }, { mx + 1, my + 1 } }, MouthInside);
        putAll(c, { { mx, my + 2 }, { mx + 1, my + 2 } }, Tongue);
        break;
    case Mouth::Flat:
        putAll(c, { { mx - 1, my + 2 }, { mx, my + 2 }, { mx + 1, my + 2 }, { mx + 2, my + 2 } }, Outline);
        break;
    case Mouth::Oh:
        putAll(c,
            { { mx, my + 1 }, { mx + 1, my + 1 }, { mx - 1, my + 2 }, { mx + 2, my + 2 }, { mx, my + 3 },
                { mx + 1, my + 3 } },
            Outline);
        putAll(c, { { mx, my + 2 }, { mx + 1, my + 2 } }, MouthInside);
        break;
    case Mouth::Yawn: {
        const double t = pose.mouthOpen;
        const int height = 1 + static_cast<int>(std::lround(t * 3.0));
        const int halfWidth = t > 0.6 ? 2 : 1;
        Mask inside;
        for (int yy = 0; yy < height; ++yy) {
            // Round the corners of the taller openings.
            const int inset = (height >= 3 && (yy == 0 || yy == height - 1)) ? 1 : 0;
            for (int xx = -halfWidth + 1 + inset; xx <= halfWidth - inset; ++xx)
                inside.set(mx + xx, my + 2 + yy);
        }
        c.fill(inside.dilated().minus(inside), Outline);
        c.fill(inside, MouthInside);
        if (height >= 3) {
            for (int xx = -halfWidth + 2; xx <= halfWidth - 1; ++xx)
                c.put(mx + xx, my + 1 + height, Tongue);
        }
        c.put(mx, my, NosePink);
        c.put(mx + 1, my, NosePink);
        break;
    }
    }
}

// Eyes, nose, mouth, cheeks and forehead stripes. `cx` is the pixel column just right of the
// face's centre line, `cy` the head's centre row.
void face(Canvas &c, int cx, int cy, const Pose &pose)
{
    putAll(c,
        { { cx - 3, cy - 10 }, { cx - 3, cy - 9 }, { cx - 1, cy - 10 }, { cx - 1, cy - 9 }, { cx - 1, cy - 8 },
            { cx, cy - 10 }, { cx, cy - 9 }, { cx, cy - 8 }, { cx + 2, cy - 10 }, { cx + 2, cy - 9 } },
        Stripe);
    putAll(c, { { cx - 9, cy + 2 }, { cx - 8, cy + 2 }, { cx + 7, cy + 2 }, { cx + 8, cy + 2 } }, Blush);
    eye(c, cx - 6, cy - 2, pose, -1);
    eye(c, cx + 4, cy - 2, pose, +1);
    mouth(c, cx - 1, cy + 1, pose);
}

Mask earShape(QPointF base0, QPointF tip, QPointF base1)
{
    return Mask::polygon({ base0, tip, base1 });
}

void ear(Canvas &c, QPointF base0, QPointF tip, QPointF base1)
{
    c.part(earShape(base0, tip, base1), Fur, Outline, Shading::Soft);
    const QPointF mid = (base0 + base1) * 0.5;
    c.fill(earShape(lerp(base0, mid, 0.25), lerp(tip, mid, 0.3), lerp(base1, mid, 0.25)), EarPink);
}

Mask limb(QPointF from, QPointF to, double radius, double pawRx, double pawRy)
{
    return Mask::capsule(from, to, radius) | Mask::ellipse(to, pawRx, pawRy);
}

void glyph(Canvas &c, int x, int y, std::initializer_list<QPoint> points, QRgb colour)
{
    for (const QPoint &p : points)
        c.put(x + p.x(), y + p.y(), colour);
}

void groundShadow(Canvas &c, int dx, double width)
{
    if (width <= 0)
        return;
    c.fill(Mask::ellipse({ 24.0 + dx, 47.5 + Baseline }, 11.0 * width, 1.6), GroundShadow);
}

void tailStroke(Canvas &c, QPointF base, QPointF control, QPointF tip)
{
    std::vector<QPointF> points;
    for (int i = 0; i <= 12; ++i)
        points.push_back(quadratic(base, control, tip, i / 12.0));
    const Mask tail = Mask::stroke(points, 1.9, 1.5);
    c.part(tail, Fur, Outline, Shading::Soft);
    std::vector<QPointF> tipPoints(points.end() - 4, points.end());
    c.fill(Mask::stroke(tipPoints, 1.6, 1.5) & tail, Stripe);
}

void props(Canvas &c, const Pose &pose, Origin o)
{
    if (pose.note >= 0) {
        const int k = pose.note % 8;
        const int x = o.x + 37 + ((k / 2) % 2 == 0 ? 0 : 1);
        const int y = 24 - k * 2;
        glyph(c, x, y,
            { { 3, 0 }, { 4, 0 }, { 3, 1 }, { 5, 1 }, { 3, 2 }, { 5, 2 }, { 3, 3 }, { 0, 3 }, { 1, 3 }, { 2, 3 },
                { 0, 4 }, { 1, 4 }, { 2, 4 }, { 1, 5 } },
            NoteColour);
    }
    if (pose.tapMarks) {
        glyph(c, o.x + 34, o.y + 42, { { 1, 0 }, { 0, 1 } }, Outline);
        glyph(c, o.x + 35, o.y + 45, { { 0, 0 }, { 1, 0 } }, Outline);
    }
    if (pose.sleepyZ >= 0) {
        const int k = pose.sleepyZ % 8;
        const int x = o.x + 36 + k / 2;
        const int y = 13 - k;
        glyph(c, x, y,
            { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 3, 0 }, { 2, 1 }, { 1, 2 }, { 0, 3 }, { 1, 3 }, { 2, 3 }, { 3, 3 } },
            SleepColour);
    }
}

// A little page held up beside the face.
void page(Canvas &c, const Pose &pose, Origin o)
{
    const QPointF centre = o(37.5, 32);
    const auto at = [&](double u, double v) { return centre + QPointF(u, v); };
    const double hw = 5.5;
    const double hh = 7.0;
    c.part(Mask::polygon({ at(-hw, -hh), at(hw - 2.5, -hh), at(hw, -hh + 2.5), at(hw, hh), at(-hw, hh) }), Paper,
        PaperOutline, Shading::Soft);
    // The folded corner.
    c.fill(Mask::polygon({ at(hw - 2.6, -hh - 0.2), at(hw - 2.6, -hh + 2.6), at(hw + 0.2, -hh + 2.6) }), Paper.shade);
    const int lengths[] = { 5, 7, 6, 7, 4 };
    const QPoint first = at(-hw + 2.0, -hh + 2.5).toPoint();
    for (int line = 0; line < 5; ++line) {
        const QRgb ink = line == pose.readingLine ? InkDark : Ink;
        for (int x = 0; x < lengths[line]; ++x)
            c.put(first.x() + x, first.y() + line * 2, ink);
    }
}

// Ears, head and face seen from the front, the head centred on (hx, hy).
void frontHead(Canvas &c, int hx, int hy, const Pose &pose)
{
    const int le = pose.leftEar;
    const int re = pose.rightEar;
    ear(c, QPointF(hx - 11.5, hy - 3.5), QPointF(hx - 10.0 - le * 1.0, hy - 14.0 + le * 1.5),
        QPointF(hx - 3.0, hy - 8.5));
    ear(c, QPointF(hx + 3.0, hy - 8.5), QPointF(hx + 10.0 + re * 1.0, hy - 14.0 + re * 1.5),
        QPointF(hx + 11.5, hy - 3.5));
    c.part(Mask::ellipse(QPointF(hx, hy), 12.5, 10.0), Fur, Outline, Shading::Full);
    face(c, hx, hy, pose);
}

void frontView(Canvas &c, const Pose &pose)
{
    const Origin o { pose.dx, pose.dy + Baseline };
    const int squash = pose.squash;
    const int hx = 24 + pose.dx + pose.headDx;
    const int hy = 25 + Baseline + pose.dy + pose.headDy + squash;

    groundShadow(c, pose.dx, pose.shadow);

    if (pose.tailOnLeft)
        tailStroke(c, o(19, 42), o(9.5 - pose.tail * 1.5, 43.5), o(10.5 - pose.tail * 3.0, 32.5 - pose.tailLift));
    else
        tailStroke(c, o(29, 42), o(38.5 + pose.tail * 1.5, 43.5), o(37.5 + pose.tail * 3.0, 32.5 - pose.tailLift));

    const QPointF leftShoulder = o(18.5, 36.5 + squash);
    const QPointF rightShoulder = o(29.5, 36.5 + squash);
    const auto drawArms = [&](Arms layer) {
        if (pose.leftArm == layer)
            c.part(limb(leftShoulder, o(pose.leftPaw), 1.6, 2.1, 1.9), Fur, Outline, Shading::Soft);
        if (pose.rightArm == layer)
            c.part(limb(rightShoulder, o(pose.rightPaw), 1.6, 2.1, 1.9), Fur, Outline, Shading::Soft);
    };

    const double bodyRy = 6.5 + pose.chest * 0.5 - squash * 0.5;
    const double bodyRx = 8.0 + squash * 0.5 - (squash < 0 ? 0.5 : 0.0);
    const QPointF bodyCentre = o(24, 45.5 - bodyRy);
    c.part(Mask::ellipse(bodyCentre, bodyRx, bodyRy), Fur, Outline, Shading::Full);
    c.fillOver(Mask::ellipse(o(24, 42.0 + squash * 0.3), 4.5, 3.2) & Mask::ellipse(bodyCentre, bodyRx - 1, bodyRy - 1),
        Fur.light);

    const auto foot = [&](double cx, double lift, double fdx, double toe) {
        const QPointF centre = o(cx + fdx, 45.5 - lift);
        const Mask shape = toe > 0 ? Mask::capsule(centre - QPointF(1.6, 0), centre + QPointF(1.8, -toe), 1.6)
                                   : Mask::ellipse(centre, 3.2, 1.6);
        c.part(shape, Fur, Outline, Shading::Soft);
    };
    foot(19.5, pose.leftFootLift, pose.leftFootDx, 0);
    foot(28.5, pose.rightFootLift, pose.rightFootDx, pose.rightToe);

    drawArms(Arms::Sides);
    frontHead(c, hx, hy, pose);

    if (pose.page)
        page(c, pose, o);
    drawArms(Arms::Free);
    props(c, pose, o);
}

void profileView(Canvas &c, const Pose &pose)
{
    const Origin o { pose.dx, pose.dy + Baseline };
    const int hx = 26 + pose.dx + pose.headDx;
    const int hy = 25 + Baseline + pose.dy + pose.headDy;
    const double phase = pose.stride * 2.0 * Pi;

    groundShadow(c, pose.dx, pose.shadow);

    tailStroke(c, o(18, 41), o(9.5, 42.5 + pose.tail), o(8.0 + pose.tail * 1.5, 32.5 + pose.tail - pose.tailLift));

    // Feet circle under the hips: a foot lifts while it travels forward and pushes back along
    // the ground. The near paw swings against the near foot.
    const auto leg = [&](double hipX, double ph, const Tone &tone) {
        const double s = std::sin(ph);
        const double lift = std::max(0.0, std::cos(ph)) * 2.5;
        const QPointF footAt = o(hipX + 4.0 * s + 0.5, 45.5 - lift);
        c.part(
            Mask::capsule(o(hipX, 41.5), footAt, 1.4) | Mask::ellipse(footAt, 2.7, 1.6), tone, Outline, Shading::Flat);
    };
    // Paws swing behind the body and show only when they reach forward.
    const auto arm = [&](double ph, const Tone &tone) {
        const double s = std::sin(ph);
        const QPointF shoulder = o(25, 37.5);
        c.part(limb(shoulder, shoulder + QPointF(1.5 + 4.0 * s, 2.0 - 1.0 * s), 1.3, 1.8, 1.6), tone, Outline,
            Shading::Flat);
    };

    leg(20.5, phase + Pi, FarFur);
    arm(phase, FarFur);
    arm(phase + Pi, Fur);

    const QPointF bodyCentre = o(23, 39);
    c.part(Mask::ellipse(bodyCentre, 6.5, 4.8), Fur, Outline, Shading::Soft);

    leg(25.0, phase, Fur);

    const int le = pose.leftEar;
    const int re = pose.rightEar;
    ear(c, QPointF(hx - 11.0, hy - 3.0), QPointF(hx - 8.5 - le * 1.5, hy - 13.0 + le * 1.0),
        QPointF(hx - 3.0, hy - 8.5));
    ear(c, QPointF(hx + 4.0, hy - 9.0), QPointF(hx + 10.5 + re * 1.5, hy - 14.0 + re * 1.0),
        QPointF(hx + 12.0, hy - 3.0));
    c.part(Mask::ellipse(QPointF(hx, hy), 12.5, 10.0), Fur, Outline, Shading::Full);
    face(c, hx + 3, hy, pose);
    props(c, pose, o);
}

}

Canvas drawHead(const Pose &pose, int hx, int hy)
{
    Canvas canvas;
    frontHead(canvas, hx, hy, pose);
    return canvas;
}

Canvas drawCat(const Pose &pose, bool mirror)
{
    Canvas canvas;
    if (pose.profile)
        profileView(canvas, pose);
    else
        frontView(canvas, pose);
    if (!mirror)
        return canvas;
    Canvas flipped;
    for (int y = 0; y < ArtHeight; ++y) {
        for (int x = 0; x < ArtWidth; ++x)
            flipped.put(ArtWidth - 1 - x, y, canvas.at(x, y));
    }
    return flipped;
}

}
