#include "petwindow/PetSpriteView.h"

#include "petwindow/FrameDamage.h"
#include "platform/WindowSystem.h"

#include <cmath>

#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

PetSpriteView::PetSpriteView(WindowSystem *windowSystem, QWidget *parent)
    : QWidget(parent)
    , m_windowSystem(windowSystem)
{
    setAttribute(Qt::WA_TranslucentBackground);
    // Every paint replaces the whole window with the frame, so clearing it first is wasted work.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

PetSpriteView::~PetSpriteView() = default;

void PetSpriteView::setFrame(const QImage &frame)
{
    if (frame.cacheKey() == m_frame.cacheKey() && frame.isNull() == m_frame.isNull())
        return;
    const QImage previousScaled = m_frame.isNull() || !isVisible() ? QImage() : scaledFrame();
    if (frame.isNull() || frame.format() == QImage::Format_ARGB32_Premultiplied)
        m_frame = frame;
    else
        m_frame = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    updateChangedRegion(previousScaled);
    if (m_shape.update(m_frame))
        applyInputShape();
}

void PetSpriteView::updateChangedRegion(const QImage &previousScaled)
{
    // Hidden, the window is painted whole when it shows again.
    if (!isVisible())
        return;
    if (previousScaled.isNull() || m_frame.isNull()) {
        update();
        return;
    }
    const QImage &next = scaledFrame();
    const std::pair key(previousScaled.cacheKey(), next.cacheKey());
    auto found = m_damage.constFind(key);
    if (found == m_damage.constEnd()) {
        if (m_damage.size() >= maxDamageRegions)
            m_damage.clear();
        const QRegion native = FrameDamage::between(previousScaled, next);
        found = m_damage.insert(key, Damage { native, toLogical(native) });
    }
    if (found->native.isEmpty())
        return;
    // Straight into the window where the window system can (the frames stay on its side), else
    // painted now rather than at the next pass of the event loop: one wake-up per frame, not two.
    QWindow *handle = windowHandle();
    if (m_windowSystem && handle && m_windowSystem->drawFrame(handle, next, found->native))
        return;
    repaint(found->logical);
}

QRegion PetSpriteView::toLogical(const QRegion &deviceRegion) const
{
    const qreal ratio = devicePixelRatioF();
    if (qFuzzyCompare(ratio, 1.0))
        return deviceRegion;
    // Rounded outwards: a pixel only partly inside a changed tile is repainted too, with the same
    // image, so nothing outside the changed tiles can differ.
    QRegion logical;
    for (const QRect &rect : deviceRegion) {
        const QRectF scaled(rect.x() / ratio, rect.y() / ratio, rect.width() / ratio, rect.height() / ratio);
        logical += scaled.toAlignedRect();
    }
    return logical;
}

void PetSpriteView::refreshInputShape()
{
    applyInputShape();
}

void PetSpriteView::applyInputShape()
{
    QWindow *handle = windowHandle();
    if (!m_windowSystem || !handle || !handle->handle())
        return;
    // While the window ignores all input the window system holds an empty shape; ours would
    // let clicks in again.
    if (handle->flags().testFlag(Qt::WindowTransparentForInput))
        return;
    const qreal ratio = handle->devicePixelRatio();
    const QSize nativeSize(qRound(width() * ratio), qRound(height() * ratio));
    m_windowSystem->setInputShape(handle, m_shape.rects(nativeSize));
}

bool PetSpriteView::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // A new native window starts with the full rectangle as its input shape.
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
        applyInputShape();
    return handled;
}

void PetSpriteView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scaledFrames.clear();
    m_damage.clear();
    if (m_windowSystem && windowHandle())
        m_windowSystem->forgetFrames(windowHandle());
    applyInputShape();
}

const QImage &PetSpriteView::scaledFrame()
{
    const QSize target = (QSizeF(size()) * devicePixelRatioF()).toSize();
    if (m_frame.size() == target)
        return m_frame;
    auto found = m_scaledFrames.find(m_frame.cacheKey());
    if (found == m_scaledFrames.end()) {
        if (m_scaledFrames.size() >= maxScaledFrames)
            m_scaledFrames.clear();
        // Nearest-neighbour, so the pixels stay crisp at any scale.
        QImage scaled = m_frame.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        scaled.setDevicePixelRatio(devicePixelRatioF());
        found = m_scaledFrames.insert(m_frame.cacheKey(), scaled);
    }
    return found.value();
}

void PetSpriteView::paintEvent(QPaintEvent *)
{
    if (m_frame.isNull())
        return;
    QPainter painter(this);
    // The frame covers the whole window, so it replaces what was there; the painter is clipped to
    // the region that changed, usually a few tiles.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), scaledFrame());
}

bool PetSpriteView::ignoresInput() const
{
    const QWindow *handle = windowHandle();
    return handle && handle->flags().testFlag(Qt::WindowTransparentForInput);
}

void PetSpriteView::mousePressEvent(QMouseEvent *event)
{
    if (ignoresInput())
        return;
    if (event->button() == Qt::LeftButton)
        beginPress(event, 1);
    else if (event->button() == Qt::RightButton)
        requestContextMenu(event);
}

void PetSpriteView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt reports the second press of a double-click here instead of as a press.
    if (ignoresInput())
        return;
    if (event->button() == Qt::LeftButton)
        beginPress(event, 2);
    else if (event->button() == Qt::RightButton)
        requestContextMenu(event);
}

void PetSpriteView::beginPress(const QMouseEvent *event, int clickCount)
{
    m_didDrag = false;
    m_press = Press { event->position(), event->globalPosition(), clickCount };
    m_lastDragScreenX = event->globalPosition().x();
}

void PetSpriteView::requestContextMenu(const QMouseEvent *event)
{
    emit contextMenuRequested(event->globalPosition());
}

void PetSpriteView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_press)
        return;
    if (!(event->buttons() & Qt::LeftButton)) {
        finishDrag(false, 0, Qt::NoModifier);
        return;
    }
    const QPointF mouse = event->globalPosition();
    const QPointF origin = mouse - m_press->inWindow;
    // A receiver may end the press or drop the pet window while it handles a gesture.
    const QPointer<PetSpriteView> alive(this);
    if (!m_didDrag && QLineF(m_press->onScreen, mouse).length() >= tapThreshold) {
        m_didDrag = true;
        emit dragStarted();
        if (!alive || !m_press)
            return;
    }
    // The window follows the mouse from the first event, while the press may still be a click.
    window()->move(qRound(origin.x()), qRound(origin.y()));
    if (!m_didDrag)
        return;
    const qreal dx = mouse.x() - m_lastDragScreenX;
    m_lastDragScreenX = mouse.x();
    if (std::abs(dx) > 1.0) {
        emit draggedInDirection(dx > 0 ? 1 : -1);
    }
}

void PetSpriteView::mouseReleaseEvent(QMouseEvent *event)
{
    // A release with no press in progress (the press was already ended, say when the
    // application was switched away) is never a click.
    if (event->button() != Qt::LeftButton || !m_press)
        return;
    finishDrag(!m_didDrag, m_press->clickCount, event->modifiers());
}

void PetSpriteView::endPressWithoutClick()
{
    if (m_press)
        finishDrag(false, 0, Qt::NoModifier);
}

void PetSpriteView::finishDrag(bool asClick, int clickCount, Qt::KeyboardModifiers modifiers)
{
    const bool wasDrag = m_didDrag;
    m_didDrag = false;
    m_press.reset();
    if (wasDrag)
        emit dragEnded();
    else if (!asClick)
        return;
    else if (clickCount < 2)
        emit clicked();
    else if (modifiers.testFlag(Qt::ControlModifier))
        emit ctrlDoubleClicked();
    else
        emit doubleClicked();
}
