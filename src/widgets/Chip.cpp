#include "widgets/Chip.h"

#include "widgets/Theme.h"

#include <QPainter>

namespace {
constexpr int paddingX = 8;
constexpr int paddingY = 2;
}

Chip::Chip(const QString &text, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
    , m_colour(colour.isValid() ? colour : Theme::Ink::secondary)
{
    setFont(Theme::font(Theme::TypeSize::caption, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void Chip::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void Chip::setColour(const QColor &colour)
{
    m_colour = colour;
    update();
}

QSize Chip::sizeHint() const
{
    const QFontMetrics metrics(font());
    return { metrics.horizontalAdvance(m_text) + 2 * paddingX, metrics.height() + 2 * paddingY };
}

void Chip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor tint = m_colour;
    tint.setAlphaF(0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(tint);
    const QRectF pill = QRectF(rect());
    p.drawRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    p.setPen(m_colour);
    p.setFont(font());
    p.drawText(pill, Qt::AlignCenter, m_text);
}
