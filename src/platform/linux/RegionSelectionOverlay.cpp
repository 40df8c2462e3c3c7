#include "platform/linux/RegionSelectionOverlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

namespace {
// The window is mapped asynchronously; an X server refuses grabs until it is viewable.
constexpr int grabRetryMs = 25;
constexpr int maxGrabAttempts = 80;
}

RegionSelectionOverlay::RegionSelectionOverlay(QImage frozen, const QRect &desktop)
    : QWidget(nullptr,
        Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint
            | Qt::NoDropShadowWindowHint)
    , m_frozen(std::move(frozen))
{
    setObjectName(QStringLiteral("tamselRegionSelection"));
    setWindowTitle(QStringLiteral("Select a region"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(desktop);
    m_result.start();
}

RegionSelectionOverlay::~RegionSelectionOverlay()
{
    finish(QRect());
}

void RegionSelectionOverlay::open()
{
    show();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
    grabInput();
}

void RegionSelectionOverlay::grabInput()
{
    if (m_finished)
        return;
    // Qt routes key and mouse events to the grabbing widget; the X grabs make the whole desktop's
    // input come here even though no window manager gives this window the focus.
    grabKeyboard();
    grabMouse();
    QWindow *window = windowHandle();
    const bool held = window && window->setKeyboardGrabEnabled(true) && window->setMouseGrabEnabled(true);
    if (!held && ++m_grabAttempts < maxGrabAttempts)
        QTimer::singleShot(grabRetryMs, this, &RegionSelectionOverlay::grabInput);
}

void RegionSelectionOverlay::finish(const QRect &region)
{
    if (m_finished)
        return;
    m_finished = true;
    releaseKeyboard();
    releaseMouse();
    hide();
    m_result.addResult(region);
    m_result.finish();
}

QRect RegionSelectionOverlay::selection() const
{
    const QPoint topLeft(std::min(m_anchor.x(), m_cursor.x()), std::min(m_anchor.y(), m_cursor.y()));
    return QRect(topLeft, QSize(std::abs(m_cursor.x() - m_anchor.x()), std::abs(m_cursor.y() - m_anchor.y())));
}

QRect RegionSelectionOverlay::toImagePixels(const QRect &widgetRect) const
{
    if (width() <= 0 || height() <= 0)
        return QRect();
    const double sx = static_cast<double>(m_frozen.width()) / width();
    const double sy = static_cast<double>(m_frozen.height()) / height();
    // Corner to corner, so that a drag of n points covers n * ratio pixels.
    const QPoint topLeft(qRound(widgetRect.x() * sx), qRound(widgetRect.y() * sy));
    const QPoint end(
        qRound((widgetRect.x() + widgetRect.width()) * sx), qRound((widgetRect.y() + widgetRect.height()) * sy));
    return QRect(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y())) & m_frozen.rect();
}

void RegionSelectionOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(rect(), m_frozen);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    if (!m_dragging)
        return;
    const QRect chosen = selection();
    painter.drawImage(chosen, m_frozen, toImagePixels(chosen));
    painter.setPen(QPen(QColor(255, 255, 255, 220), 1, Qt::DashLine));
    painter.drawRect(chosen.adjusted(0, 0, -1, -1));
}

void RegionSelectionOverlay::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        finish(QRect());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_anchor = m_cursor = event->position().toPoint();
    update();
}

void RegionSelectionOverlay::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_cursor = event->position().toPoint();
    update();
}

void RegionSelectionOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_cursor = event->position().toPoint();
    m_dragging = false;
    const QRect chosen = selection();
    finish(chosen.width() > 0 && chosen.height() > 0 ? toImagePixels(chosen) : QRect());
}

void RegionSelectionOverlay::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        finish(QRect());
    else
        QWidget::keyPressEvent(event);
}

void RegionSelectionOverlay::closeEvent(QCloseEvent *event)
{
    finish(QRect());
    QWidget::closeEvent(event);
}
