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
    case Symbol::bell: return QStringLiteral("preferences-system-notifications-symbolic");
    case Symbol::window: return QStringLiteral("preferences-system-windows-symbolic");
    case Symbol::sliders: return QStringLiteral("preferences-system-symbolic");
    case Symbol::info: return QStringLiteral("help-about-symbolic");
    case Symbol::folderPlus: return QStringLiteral("folder-new-symbolic");
    case Symbol::archive: return QStringLiteral("package-x-generic-symbolic");
    case Symbol::magnifier: return QStringLiteral("edit-find-symbolic");
    case Symbol::ellipsis: return QStringLiteral("view-more-symbolic");
    case Symbol::trayDown: return QStringLiteral("document-import-symbolic");
    case Symbol::lock: return QStringLiteral("changes-prevent-symbolic");
    case Symbol::refresh: return QStringLiteral("view-refresh-symbolic");
    case Symbol::folder: return QStringLiteral("folder-symbolic");
    case Symbol::person: return QStringLiteral("avatar-default-symbolic");
    case Symbol::pencil: return QStringLiteral("document-edit-symbolic");
    case Symbol::trash: return QStringLiteral("user-trash-symbolic");
    case Symbol::plusCircle: return QStringLiteral("list-add-symbolic");
    case Symbol::textAlignLeft: return QStringLiteral("format-justify-left-symbolic");
    // No common theme has these; ours are always drawn.
    case Symbol::pawprint:
    case Symbol::wand:
    case Symbol::stack:
    case Symbol::ladybug:
    case Symbol::sparkles:
    case Symbol::handTap:
    case Symbol::bubbles:
    case Symbol::arrowsLeftRight: return {};
    }
    return {};
}

// A four-pointed sparkle centred at a point.
void star(QPainter &p, const QColor &colour, QPointF centre, double radius)
{
    const double waist = radius * 0.28;
    QPainterPath path;
    path.moveTo(centre.x(), centre.y() - radius);
    path.quadTo(centre.x() + waist, centre.y() - waist, centre.x() + radius, centre.y());
    path.quadTo(centre.x() + waist, centre.y() + waist, centre.x(), centre.y() + radius);
    path.quadTo(centre.x() - waist, centre.y() + waist, centre.x() - radius, centre.y());
    path.quadTo(centre.x() - waist, centre.y() - waist, centre.x(), centre.y() - radius);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
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
    case Symbol::pawprint: {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        QPainterPath pad;
        pad.moveTo(10, 10.2);
        pad.cubicTo(13.4, 10.2, 16.2, 14.0, 14.6, 16.4);
        pad.cubicTo(13.4, 18.0, 11.4, 16.8, 10, 16.8);
        pad.cubicTo(8.6, 16.8, 6.6, 18.0, 5.4, 16.4);
        pad.cubicTo(3.8, 14.0, 6.6, 10.2, 10, 10.2);
        p.drawPath(pad);
        p.drawEllipse(QRectF(2.2, 7.0, 3.4, 4.2));
        p.drawEllipse(QRectF(5.6, 2.8, 3.4, 4.6));
        p.drawEllipse(QRectF(11.0, 2.8, 3.4, 4.6));
        p.drawEllipse(QRectF(14.4, 7.0, 3.4, 4.2));
        break;
    }
    case Symbol::wand:
        p.drawLine(QPointF(3.5, 16.5), QPointF(12.5, 7.5));
        star(p, colour, QPointF(15, 5), 3.2);
        star(p, colour, QPointF(7, 4.5), 1.8);
        star(p, colour, QPointF(15.5, 13), 1.6);
        break;
    case Symbol::stack:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(3.5, 9.0, 13, 8), 1.5, 1.5);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(5, 6.2), QPointF(15, 6.2));
        p.drawLine(QPointF(6.5, 3.5), QPointF(13.5, 3.5));
        break;
    case Symbol::bell: {
        QPainterPath bell;
        bell.moveTo(4, 14.5);
        bell.lineTo(5.5, 12.5);
        bell.lineTo(5.5, 8.5);
        bell.cubicTo(5.5, 5.5, 7.5, 3.5, 10, 3.5);
        bell.cubicTo(12.5, 3.5, 14.5, 5.5, 14.5, 8.5);
        bell.lineTo(14.5, 12.5);
        bell.lineTo(16, 14.5);
        bell.closeSubpath();
        p.setBrush(colour);
        p.drawPath(bell);
        p.drawLine(QPointF(8.5, 17), QPointF(11.5, 17));
        break;
    }
    case Symbol::window:
        p.drawRoundedRect(QRectF(2.5, 4, 15, 12), 2, 2);
        p.drawLine(QPointF(2.5, 7.5), QPointF(17.5, 7.5));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(4.8, 5.8), 0.8, 0.8);
        p.drawEllipse(QPointF(7.2, 5.8), 0.8, 0.8);
        break;
    case Symbol::sliders:
        for (const double y : { 5.0, 10.0, 15.0 })
            p.drawLine(QPointF(3, y), QPointF(17, y));
        for (const QPointF knob : { QPointF(12.5, 5), QPointF(7, 10), QPointF(14, 15) }) {
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.setBrush(Qt::black);
            p.drawEllipse(knob, 2.4, 2.4);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(knob, 1.9, 1.9);
        }
        break;
    case Symbol::info:
        p.setBrush(colour);
        p.drawEllipse(QRectF(2.5, 2.5, 15, 15));
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setPen(QPen(Qt::black, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 9.3), QPointF(10, 14));
        p.drawPoint(QPointF(10, 6.4));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case Symbol::folderPlus:
    case Symbol::folder: {
        QPainterPath folder;
        folder.moveTo(2.5, 15.5);
        folder.lineTo(2.5, 5);
        folder.lineTo(7.5, 5);
        folder.lineTo(9, 6.8);
        folder.lineTo(17.5, 6.8);
        folder.lineTo(17.5, 15.5);
        folder.closeSubpath();
        p.drawPath(folder);
        if (symbol == Symbol::folderPlus) {
            p.drawLine(QPointF(10, 8.8), QPointF(10, 13.6));
            p.drawLine(QPointF(7.6, 11.2), QPointF(12.4, 11.2));
        }
        break;
    }
    case Symbol::archive:
        p.drawRoundedRect(QRectF(2.5, 3.5, 15, 4), 1, 1);
        p.drawRoundedRect(QRectF(3.5, 7.5, 13, 9), 1, 1);
        p.drawLine(QPointF(8, 10.5), QPointF(12, 10.5));
        break;
    case Symbol::magnifier:
        p.drawEllipse(QRectF(3, 3, 10, 10));
        p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(16.8, 16.8));
        break;
    case Symbol::ellipsis:
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (const double x : { 4.5, 10.0, 15.5 })
            p.drawEllipse(QPointF(x, 10), 1.6, 1.6);
        break;
    case Symbol::trayDown:
        p.drawLine(QPointF(10, 2.5), QPointF(10, 10));
        p.drawLine(QPointF(7, 7.2), QPointF(10, 10.2));
        p.drawLine(QPointF(13, 7.2), QPointF(10, 10.2));
        {
            QPainterPath tray;
            tray.moveTo(2.5, 11);
            tray.lineTo(2.5, 16.5);
            tray.lineTo(17.5, 16.5);
            tray.lineTo(17.5, 11);
            tray.moveTo(2.5, 12.5);
            tray.lineTo(6.5, 12.5);
            tray.lineTo(7.5, 14);
            tray.lineTo(12.5, 14);
            tray.lineTo(13.5, 12.5);
            tray.lineTo(17.5, 12.5);
            p.drawPath(tray);
        }
        break;
    case Symbol::ladybug:
        p.setBrush(colour);
        p.drawEllipse(QRectF(4, 6, 12, 11.5));
        p.drawEllipse(QRectF(7, 2.8, 6, 4.5));
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setPen(QPen(Qt::black, 1.2));
        p.drawLine(QPointF(10, 7.5), QPointF(10, 17));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(7.3, 10.5), 1, 1);
        p.drawEllipse(QPointF(12.7, 10.5), 1, 1);
        p.drawEllipse(QPointF(7.8, 14), 0.9, 0.9);
        p.drawEllipse(QPointF(12.2, 14), 0.9, 0.9);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case Symbol::sparkles:
        star(p, colour, QPointF(8.5, 11), 5.5);
        star(p, colour, QPointF(15, 4.5), 2.6);
        star(p, colour, QPointF(15.5, 15), 2.0);
        break;
    case Symbol::lock:
        p.drawArc(QRectF(6.5, 2.5, 7, 8), 0, 180 * 16);
        p.drawLine(QPointF(6.5, 6.5), QPointF(6.5, 9));
        p.drawLine(QPointF(13.5, 6.5), QPointF(13.5, 9));
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(4.5, 9, 11, 8.5), 1.5, 1.5);
        break;
    case Symbol::handTap: {
        p.drawArc(QRectF(4.5, 1.8, 7, 7), 20 * 16, 140 * 16);
        QPainterPath hand;
        hand.moveTo(7, 17.5);
        hand.lineTo(4.6, 13.2);
        hand.cubicTo(4.0, 12.0, 5.6, 11.2, 6.4, 12.2);
        hand.lineTo(7, 13);
        hand.lineTo(7, 6.2);
        hand.cubicTo(7, 4.8, 9, 4.8, 9, 6.2);
        hand.lineTo(9, 10);
        hand.lineTo(14.2, 10.8);
        hand.cubicTo(15.6, 11.0, 16, 12, 15.8, 13.2);
        hand.lineTo(15.2, 17.5);
        p.drawPath(hand);
        break;
    }
    case Symbol::bubbles:
        p.drawRoundedRect(QRectF(2.5, 3, 10, 7), 3, 3);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(7.5, 10.5, 10, 6.5), 3, 3);
        break;
    case Symbol::arrowsLeftRight:
        p.drawLine(QPointF(3, 7), QPointF(16, 7));
        p.drawLine(QPointF(13, 4), QPointF(16, 7));
        p.drawLine(QPointF(13, 10), QPointF(16, 7));
        p.drawLine(QPointF(4, 13), QPointF(17, 13));
        p.drawLine(QPointF(7, 10), QPointF(4, 13));
        p.drawLine(QPointF(7, 16), QPointF(4, 13));
        break;
    case Symbol::refresh: {
        p.drawArc(QRectF(3.5, 3.5, 13, 13), 60 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(11.8, 1.8);
        head.lineTo(14.6, 4.6);
        head.lineTo(11.0, 6.0);
        p.drawPath(head);
        break;
    }
    case Symbol::person:
        p.setBrush(colour);
        p.drawEllipse(QPointF(10, 6.5), 3.5, 3.5);
        p.drawChord(QRectF(3.5, 11.5, 13, 12), 0, 180 * 16);
        break;
    case Symbol::pencil: {
        QPainterPath pencil;
        pencil.moveTo(3.5, 16.5);
        pencil.lineTo(4.5, 12.5);
        pencil.lineTo(13, 4);
        pencil.lineTo(16, 7);
        pencil.lineTo(7.5, 15.5);
        pencil.closeSubpath();
        p.drawPath(pencil);
        p.drawLine(QPointF(11, 6), QPointF(14, 9));
        break;
    }
    case Symbol::trash:
        p.drawLine(QPointF(3.5, 5.5), QPointF(16.5, 5.5));
        p.drawLine(QPointF(8, 5.5), QPointF(8.5, 3));
        p.drawLine(QPointF(8.5, 3), QPointF(11.5, 3));
        p.drawLine(QPointF(11.5, 3), QPointF(12, 5.5));
        p.drawRoundedRect(QRectF(5, 5.5, 10, 11.5), 1.5, 1.5);
        p.drawLine(QPointF(8.5, 8.5), QPointF(8.5, 14));
        p.drawLine(QPointF(11.5, 8.5), QPointF(11.5, 14));
        break;
    case Symbol::plusCircle:
        p.drawEllipse(QPointF(10, 10), 7.5, 7.5);
        p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
        p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
        break;
    case Symbol::textAlignLeft: {
        const double ends[] = { 17, 13, 17, 11 };
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(3, 4.5 + i * 3.7), QPointF(ends[i], 4.5 + i * 3.7));
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
    if (!name.isEmpty() && QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return drawn(symbol, colour);
}
