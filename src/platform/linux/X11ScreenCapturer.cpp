#include "platform/linux/X11ScreenCapturer.h"

#include "platform/linux/RegionSelectionOverlay.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <qcoro/qcorofuture.h>

#include <memory>

X11ScreenCapturer::X11ScreenCapturer(QObject *parent)
    : QObject(parent)
{
}

X11ScreenCapturer::~X11ScreenCapturer()
{
    // Ends an open selection as cancelled; the waiting capture, which owns the overlay, then
    // finishes on its own.
    if (m_overlay)
        m_overlay->close();
}

QImage X11ScreenCapturer::grabVirtualDesktop(QRect *desktop)
{
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return QImage();
    const QRect virtualGeometry = primary->virtualGeometry();
    if (desktop)
        *desktop = virtualGeometry;
    const QList<QScreen *> screens = primary->virtualSiblings();
    const qreal ratio = primary->devicePixelRatio();
    if (screens.size() == 1)
        return primary->grabWindow(0).toImage();

    // The screens share one root window whose coordinates are the desktop's; each is read from its
    // own part of it and drawn where it lies. Gaps between screens of different sizes stay black.
    QImage canvas((QSizeF(virtualGeometry.size()) * ratio).toSize(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    for (QScreen *screen : screens) {
        const QRect geometry = screen->geometry();
        const QImage part
            = primary->grabWindow(0, geometry.x(), geometry.y(), geometry.width(), geometry.height()).toImage();
        if (part.isNull())
            continue;
        const QPointF at = QPointF(geometry.topLeft() - virtualGeometry.topLeft()) * ratio;
        painter.drawImage(QRectF(at, QSizeF(geometry.size()) * ratio), part);
    }
    return canvas;
}

RegionSelectionOverlay *X11ScreenCapturer::overlay() const
{
    return m_overlay.data();
}

QCoro::Task<ScreenCapturer::Capture> X11ScreenCapturer::capture(bool selection)
{
    QRect desktop;
    QImage shot = grabVirtualDesktop(&desktop);
    if (shot.isNull())
        co_return Capture::failed(QStringLiteral("no screen could be read"));
    if (!selection)
        co_return Capture::captured(std::move(shot));
    if (m_overlay)
        co_return Capture::failed(QStringLiteral("another region selection is already open"));

    // The overlay lives until the choice is made, even if this capturer goes first (its
    // destructor then closes the overlay, which answers as cancelled).
    std::unique_ptr<RegionSelectionOverlay> overlay = std::make_unique<RegionSelectionOverlay>(shot, desktop);
    m_overlay = overlay.get();
    QFuture<QRect> chosen = overlay->chosenRegion();
    overlay->open();
    emit selectionOpened();

    QPointer<X11ScreenCapturer> self(this);
    const QRect region = co_await chosen;
    overlay.reset();
    if (!self || region.isEmpty())
        co_return Capture::cancelled();
    co_return Capture::captured(shot.copy(region));
}
