#include "preferences/CheckeredImage.h"

#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QPainter>
#include <QPainterPath>

CheckeredImage::CheckeredImage(int side, int cell, QWidget *parent)
    : QWidget(parent)
    , m_cell(cell)
{
    setFixedSize(side, side);
}

void CheckeredImage::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void CheckeredImage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = width() >= 64 ? Theme::Radius::window : Theme::Radius::control;
    QPainterPath clip;
    clip.addRoundedRect(area, radius, radius);
    p.setClipPath(clip);
    p.fillRect(rect(), Theme::Surface::card);
    const QColor dark = Theme::Surface::sidebar;
    for (int y = 0; y * m_cell < height(); ++y)
        for (int x = y % 2; x * m_cell < width(); x += 2)
            p.fillRect(QRect(x * m_cell, y * m_cell, m_cell, m_cell), dark);

    if (m_image.isNull()) {
        const int side = width() / 2;
        p.drawPixmap((width() - side) / 2, (height() - side) / 2,
            SymbolIcon::drawn(SymbolIcon::Symbol::pawprint, Theme::Surface::cardBorder).pixmap(side, side));
    } else {
        const QSizeF fitted = QSizeF(m_image.size()).scaled(QSizeF(size()) * 0.9, Qt::KeepAspectRatio);
        const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        p.setRenderHint(QPainter::SmoothPixmapTransform, fitted.width() < m_image.width());
        p.drawImage(target, m_image);
    }
    p.setClipping(false);
    p.setPen(QPen(Theme::Surface::cardBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(area, radius, radius);
}
