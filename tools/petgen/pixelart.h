#pragma once

#include <QImage>
#include <QPointF>
#include <QRgb>

#include <vector>

// A tiny raster toolkit for hand-placed pixel art: boolean masks built from
// simple shapes (sampled at pixel centres, never anti-aliased) and a canvas
// that paints them with a one-pixel outline and a few flat shades.
namespace petgen {

inline constexpr int ArtWidth = 48;
inline constexpr int ArtHeight = 52;

class Mask {
public:
    Mask();

    bool at(int x, int y) const;
    void set(int x, int y, bool on = true);
    bool isEmpty() const;

    Mask &operator|=(const Mask &other);
    Mask operator|(const Mask &other) const;
    Mask operator&(const Mask &other) const;
    // Pixels of this mask that are not in `other`.
    Mask minus(const Mask &other) const;
    Mask shifted(int dx, int dy) const;
    // Grows the mask by one pixel towards its four direct neighbours.
    Mask dilated() const;

    static Mask ellipse(QPointF centre, double rx, double ry);
    static Mask polygon(const std::vector<QPointF> &points);
    // A thick line with round ends: every pixel whose centre lies within `radius` of the segment.
    static Mask capsule(QPointF a, QPointF b, double radius);
    // Consecutive capsules along a polyline; the radius may taper from `r0` to `r1`.
    static Mask stroke(const std::vector<QPointF> &points, double r0, double r1);
    static Mask rect(int x, int y, int w, int h);

private:
    std::vector<unsigned char> m_bits;
};

// Flat colours of one part: base fill, the side turned away from the light, and the lit side.
struct Tone {
    QRgb base;
    QRgb shade;
    QRgb light;
};

enum class Shading {
    Flat, // base colour only
    Soft, // a shade band along the lower right edge
    Full, // a shade band and a highlight along the upper left
};

class Canvas {
public:
    Canvas();

    QRgb at(int x, int y) const;
    void put(int x, int y, QRgb colour);
    void fill(const Mask &mask, QRgb colour);
    // Paints a part: its outline (one pixel around the mask), then its body shaded by `shading`.
    void part(const Mask &mask, const Tone &tone, QRgb outline, Shading shading);
    // Paints only the pixels of `mask` that already hold something (keeps shapes inside a part).
    void fillOver(const Mask &mask, QRgb colour);

    // The art at `scale` times its size, nearest neighbour; transparent pixels are all-zero.
    QImage toImage(int scale) const;

private:
    std::vector<QRgb> m_pixels;
};

QPointF lerp(QPointF a, QPointF b, double t);
// A point on the quadratic curve through a, b, c with control b.
QPointF quadratic(QPointF a, QPointF b, QPointF c, double t);

}
