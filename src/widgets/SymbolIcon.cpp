#include "widgets/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
using SymbolIcon::Symbol;

QString themeName(Symbol symbol)
{
    switch (symbol) {
    case Symbol::keyboard: return QStringLiteral("input-keyboard-symbolic");
    case Symbol::microphone: return QStringLiteral("audio-input-microphone-symbolic");
    case Symbol::waveform: return QStringLiteral("audio-x-generic-symbolic");
    case Symbol::paperPlane: return QStringLiteral("mail-send-symbolic");
    case Symbol::close: return QStringLiteral("window-close-symbolic");
    case Symbol::key: return QStringLiteral("dialog-password-symbolic");
    }
    return {};
}

// Draws on a 20 x 20 grid.
void paint(QPainter &p, Symbol symbol, const QColor &colour)
{
    QPen pen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::keyboard: {
        p.drawRoundedRect(QRectF(2.5, 5.5, 15, 9), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 4; ++col)
                p.drawRect(QRectF(4.6 + col * 3.0, 7.3 + row * 2.4, 1.6, 1.4));
        p.drawRect(QRectF(6.5, 12.0, 7, 1.3));
        break;
    }
    case Symbol::microphone: {
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(7.5, 2.5, 5, 9), 2.5, 2.5);
        p.setBrush(Qt::NoBrush);
        QPainterPath cup;
        cup.moveTo(4.5, 9.5);
        cup.cubicTo(4.5, 16.5, 15.5, 16.5, 15.5, 9.5);
        p.drawPath(cup);
        p.drawLine(QPointF(10, 14.8), QPointF(10, 17.5));
        break;
    }
    case Symbol::waveform: {
        const double heights[] = { 4, 9, 14, 8, 11, 5 };
        for (int i = 0; i < 6; ++i) {
            const double x = 3.5 + i * 2.6;
            p.drawLine(QPointF(x, 10 - heights[i] / 2), QPointF(x, 10 + heights[i] / 2));
        }
        break;
    }
    case Symbol::paperPlane: {
        QPainterPath plane;
        plane.moveTo(2.5, 9.0);
        plane.lineTo(17.5, 3.0);
        plane.lineTo(12.5, 17.0);
        plane.lineTo(9.5, 11.0);
        plane.closeSubpath();
        p.setBrush(colour);
        p.drawPath(plane);
        break;
    }
    case Symbol::close:
        p.drawLine(QPointF(5.5, 5.5), QPointF(14.5, 14.5));
        p.drawLine(QPointF(14.5, 5.5), QPointF(5.5, 14.5));
        break;
    case Symbol::key: {
        p.drawEllipse(QRectF(2.5, 6.5, 7, 7));
        p.drawLine(QPointF(9.5, 10), QPointF(17.5, 10));
        p.drawLine(QPointF(14.5, 10), QPointF(14.5, 13));
        p.drawLine(QPointF(17, 10), QPointF(17, 12.5));
        break;
    }
    }
}
}

QIcon SymbolIcon::drawn(Symbol symbol, const QColor &colour)
{
    QIcon icon;
    for (const int size : { 16, 20, 32, 40, 64 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 20.0, size / 20.0);
        paint(p, symbol, colour);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon SymbolIcon::icon(Symbol symbol, const QColor &colour)
{
    const QString name = themeName(symbol);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return drawn(symbol, colour);
}
