#include "petwindow/PetSpriteView.h"

#include "petwindow/FrameDamage.h"
#include "platform/WindowSystem.h"

#include <algorithm>
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

PetSpriteView::~PetSpriteView()
{
    // The window goes with the view: nothing may draw into it any more.
    if (isLooping() && m_windowSystem && windowHandle())
        m_windowSystem->stopLoop(windowHandle());
}

void PetSpriteView::setFrame(const QImage &frame)
{
    endLoop();
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
    const QImage next = scaledFrame();
    const Damage damage = damageBetween(previousScaled, next);
    if (damage.native.isEmpty())
        return;
    // Straight into the window where the window system can (the frames stay on its side), else
    // painted now rather than at the next pass of the event loop: one wake-up per frame, not two.
    QWindow *handle = windowHandle();
    if (m_windowSystem && handle && m_windowSystem->drawFrame(handle, next, damage.native))
        return;
    repaint(damage.logical);
}

const PetSpriteView::Damage &PetSpriteView::damageBetween(const QImage &fromScaled, const QImage &toScaled)
{
    const std::pair key(fromScaled.cacheKey(), toScaled.cacheKey());
    auto found = m_damage.constFind(key);
    if (found == m_damage.constEnd()) {
        if (m_damage.size() >= maxDamageRegions)
            m_damage.clear();
        const QRegion native = FrameDamage::between(fromScaled, toScaled);
        found = m_damage.insert(key, Damage { native, toLogical(native) });
    }
    return found.value();
}

bool PetSpriteView::takeLoop(const QList<QImage> &frames, int intervalMs, qsizetype shown)
{
    QWindow *handle = windowHandle();
    if (isLooping() || !m_windowSystem || !handle || !isVisible() || shown < 0 || shown >= frames.size()
        || frames.size() < 2 || frames.at(shown).cacheKey() != m_frame.cacheKey())
        return false;
    QList<QImage> scaledFrames;
    scaledFrames.reserve(frames.size());
    for (const QImage &frame : frames) {
        // Frames converted here get new keys each time: only frames the view shows as they come.
        if (frame.isNull() || frame.format() != QImage::Format_ARGB32_Premultiplied)
            return false;
        scaledFrames.append(scaled(frame));
    }
    QList<WindowSystem::LoopFrame> loop;
    loop.reserve(frames.size());
    for (qsizetype index = 0; index < scaledFrames.size(); ++index) {
        const QImage &before = scaledFrames.at(index == 0 ? scaledFrames.size() - 1 : index - 1);
        loop.append({ scaledFrames.at(index), damageBetween(before, scaledFrames.at(index)).native });
    }
    if (!m_windowSystem->playLoop(handle, loop, intervalMs, shown))
        return false;
    m_loopFrames = frames;
    return true;
}

qsizetype PetSpriteView::returnLoop()
{
    if (!isLooping())
        return -1;
    QWindow *handle = windowHandle();
    qsizetype shown = m_windowSystem && handle ? m_windowSystem->stopLoop(handle) : -1;
    if (shown < 0 || shown >= m_loopFrames.size()) {
        // The window system let go of the loop by itself: the frame the loop began with is what
        // the view knows for sure.
        shown = 0;
        while (shown < m_loopFrames.size() - 1 && m_loopFrames.at(shown).cacheKey() != m_frame.cacheKey())
            ++shown;
    }
    m_frame = m_loopFrames.at(shown);
    m_loopFrames.clear();
    return shown;
}

void PetSpriteView::endLoop()
{
    if (!isLooping())
        return;
    const qsizetype shown = returnLoop();
    emit loopEnded(shown);
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
    // A hidden or new native window is no place for a loop.
    if (event->type() == QEvent::Hide || event->type() == QEvent::WinIdChange)
        endLoop();
    const bool handled = QWidget::event(event);
    // A new native window starts with the full rectangle as its input shape.
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
        applyInputShape();
    return handled;
}

void PetSpriteView::resizeEvent(QResizeEvent *event)
{
    endLoop();
    QWidget::resizeEvent(event);
    m_scaledFrames.clear();
    m_damage.clear();
    if (m_windowSystem && windowHandle())
        m_windowSystem->forgetFrames(windowHandle());
    applyInputShape();
}

const QImage &PetSpriteView::scaled(const QImage &frame)
{
    const QSize target = (QSizeF(size()) * devicePixelRatioF()).toSize();
    if (frame.size() == target)
        return frame;
    auto found = m_scaledFrames.find(frame.cacheKey());
    if (found == m_scaledFrames.end()) {
        if (m_scaledFrames.size() >= maxScaledFrames) {
            // Copies of frames nobody shows any more would otherwise stay until the next purge.
            const auto oldest = std::min_element(m_scaledFrames.cbegin(), m_scaledFrames.cend(),
                [](const Scaled &a, const Scaled &b) { return a.lastUse < b.lastUse; });
            m_scaledFrames.erase(oldest);
        }
        // Nearest-neighbour, so the pixels stay crisp at any scale.
        QImage image = frame.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        image.setDevicePixelRatio(devicePixelRatioF());
        found = m_scaledFrames.insert(frame.cacheKey(), Scaled { image });
    }
    found->lastUse = ++m_scaledUses;
    return found->image;
}

void PetSpriteView::paintEvent(QPaintEvent *)
{
    // Painted from the frame the view knows, which must be the one on screen.
    endLoop();
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
