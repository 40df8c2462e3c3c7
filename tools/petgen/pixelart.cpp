#include "pixelart.h"

#include <algorithm>
#include <cmath>

namespace petgen {

namespace {

bool inside(int x, int y)
{
    return x >= 0 && y >= 0 && x < ArtWidth && y < ArtHeight;
}

std::size_t indexOf(int x, int y)
{
    return static_cast<std::size_t>(y) * ArtWidth + static_cast<std::size_t>(x);
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double lengthSquared = QPointF::dotProduct(ab, ab);
    double t = lengthSquared > 0 ? QPointF::dotProduct(p - a, ab) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + ab * t);
    return std::sqrt(QPointF::dotProduct(d, d));
}

template<typename Inside> Mask sample(Inside &&test)
{
    Mask mask;
    for (int y = 0; y < ArtHeight; ++y) {
        for (int x = 0; x < ArtWidth; ++x) {
            if (test(QPointF(x + 0.5, y + 0.5)))
                mask.set(x, y);
        }
    }
    return mask;
}

}

Mask::Mask()
    : m_bits(static_cast<std::size_t>(ArtWidth) * ArtHeight, 0)
{
}

bool Mask::at(int x, int y) const
{
    return inside(x, y) && m_bits[indexOf(x, y)] != 0;
}

void Mask::set(int x, int y, bool on)
{
    if (inside(x, y))
        m_bits[indexOf(x, y)] = on ? 1 : 0;
}

bool Mask::isEmpty() const
{
    return std::none_of(m_bits.begin(), m_bits.end(), [](unsigned char b) { return b != 0; });
}

Mask &Mask::operator|=(const Mask &other)
{
    for (std::size_t i = 0; i < m_bits.size(); ++i)
        m_bits[i] = (m_bits[i] | other.m_bits[i]) != 0 ? 1 : 0;
    return *this;
}

Mask Mask::operator|(const Mask &other) const
{
    Mask result = *this;
    result |= other;
    return result;
}

Mask Mask::operator&(const Mask &other) const
{
    Mask result;
    for (std::size_t i = 0; i < m_bits.size(); ++i)
        result.m_bits[i] = (m_bits[i] != 0 && other.m_bits[i] != 0) ? 1 : 0;
    return result;
}

Mask Mask::minus(const Mask &other) const
{
    Mask result;
    for (std::size_t i = 0; i < m_bits.size(); ++i)
        result.m_bits[i] = (m_bits[i] != 0 && other.m_bits[i] == 0) ? 1 : 0;
    return result;
}

Mask Mask::shifted(int dx, int dy) const
{
    Mask result;
    for (int y = 0; y < ArtHeight; ++y) {
        for (int x = 0; x < ArtWidth; ++x) {
            if (at(x - dx, y - dy))
                result.set(x, y);
        }
    }
    return result;
}

Mask Mask::dilated() const
{
    Mask result;
    for (int y = 0; y < ArtHeight; ++y) {
        for (int x = 0; x < ArtWidth; ++x) {
            if (at(x, y) || at(x - 1, y) || at(x + 1, y) || at(x, y - 1) || at(x, y + 1))
                result.set(x, y);
        }
    }
    return result;
}

Mask Mask::ellipse(QPointF centre, double rx, double ry)
{
    return sample([&](QPointF p) {
        const double u = (p.x() - centre.x()) / rx;
        const double v = (p.y() - centre.y()) / ry;
        return u * u + v * v <= 1.0;
    });
}

Mask Mask::polygon(const std::vector<QPointF> &points)
{
    return sample([&](QPointF p) {
        bool in = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const QPointF &a = points[i];
            const QPointF &b = points[j];
            if ((a.y() > p.y()) != (b.y() > p.y())
                && p.x() < (b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()) + a.x())
                in = !in;
        }
        return in;
    });
}

Mask Mask::capsule(QPointF a, QPointF b, double radius)
{
    return sample([&](QPointF p) { return distanceToSegment(p, a, b) <= radius; });
}

Mask Mask::stroke(const std::vector<QPointF> &points, double r0, double r1)
{
    Mask result;
    if (points.empty())
        return result;
    if (points.size() == 1)
        return capsule(points.front(), points.front(), r0);
    const double last = static_cast<double>(points.size() - 1);
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double t = static_cast<double>(i) / last;
        result |= capsule(points[i - 1], points[i], r0 + (r1 - r0) * t);
    }
    return result;
}

Mask Mask::rect(int x, int y, int w, int h)
{
    Mask result;
    for (int yy = y; yy < y + h; ++yy) {
        for (int xx = x; xx < x + w; ++xx)
            result.set(xx, yy);
    }
    return result;
}

Canvas::Canvas()
    : m_pixels(static_cast<std::size_t>(ArtWidth) * ArtHeight, 0)
{
}

QRgb Canvas::at(int x, int y) const
{
    return inside(x, y) ? m_pixels[indexOf(x, y)] : 0;
}

void Canvas::put(int x, int y, QRgb colour)
{
    if (inside(x, y))
        m_pixels[indexOf(x, y)] = colour;
}

void Canvas::fill(const Mask &mask, QRgb colour)
{
    for (int y = 0; y < ArtHeight; ++y) {
        for (int x = 0; x < ArtWidth; ++x) {
            if (mask.at(x, y))
                put(x, y, colour);
        }
    }
}

void Canvas::fillOver(const Mask &mask, QRgb colour)
{
    for (int y = 0; y < ArtHeight; ++y) {
        for (int x = 0; x < ArtWidth; ++x) {
            if (mask.at(x, y) && qAlpha(at(x, y)) != 0)
                put(x, y, colour);
        }
    }
}

void Canvas::part(const Mask &mask, const Tone &tone, QRgb outline, Shading shading)
{
    fill(mask.dilated().minus(mask), outline);
    fill(mask, tone.base);
    if (shading == Shading::Flat)
        return;
    // Light comes from the upper left: pixels whose lower-right neighbours leave the part are
    // in shade, pixels whose upper-left neighbours leave it (but are not on the rim) catch light.
    for (int y = 0; y < ArtHeight; ++y) {
        for (int x = 0; x < ArtWidth; ++x) {
            if (!mask.at(x, y))
                continue;
            if (!mask.at(x + 1, y + 2) || !mask.at(x + 2, y + 1))
                put(x, y, tone.shade);
            else if (shading == Shading::Full && mask.at(x - 1, y - 1) && mask.at(x, y - 1) && mask.at(x - 1, y)
                && (!mask.at(x - 2, y - 2) || !mask.at(x - 1, y - 3)))
                put(x, y, tone.light);
        }
    }
}

QImage Canvas::toImage(int scale) const
{
    QImage image(ArtWidth * scale, ArtHeight * scale, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = at(x / scale, y / scale);
            line[x] = qAlpha(c) == 0 ? 0 : c;
        }
    }
    return image;
}

QPointF lerp(QPointF a, QPointF b, double t)
{
    return a + (b - a) * t;
}

QPointF quadratic(QPointF a, QPointF b, QPointF c, double t)
{
    return lerp(lerp(a, b, t), lerp(b, c, t), t);
}

}
