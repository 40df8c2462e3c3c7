#include "petwindow/PetWindowController.h"

#include "petwindow/PetSpriteView.h"
#include "platform/WindowSystem.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRectF>
#include <QScreen>
#include <QWindow>

namespace {
constexpr int raiseCooldownMs = 500;

QScreen *primaryOrFirstScreen()
{
    if (QScreen *primary = QGuiApplication::primaryScreen())
        return primary;
    const QList<QScreen *> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

QPoint centredOn(const QRectF &area, QSize size)
{
    return QPoint(qRound(area.x() + area.width() / 2 - size.width() / 2.0),
        qRound(area.y() + area.height() / 2 - size.height() / 2.0));
}
}

PetWindowController::PetWindowController(
    QSize initialSize, std::optional<QPoint> origin, WindowSystem *windowSystem, QObject *parent)
    : QObject(parent)
    , m_windowSystem(windowSystem)
    , m_view(std::make_unique<PetSpriteView>(windowSystem))
{
    m_view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint
        | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint);
    m_view->setAttribute(Qt::WA_ShowWithoutActivating);
    m_view->setAttribute(Qt::WA_DeleteOnClose, false);
    m_view->resize(initialSize);
    if (!origin) {
        if (const QScreen *screen = primaryOrFirstScreen())
            origin = centredOn(QRectF(screen->availableGeometry()), initialSize);
        else
            origin = QPoint(100, 100);
    }
    m_view->move(*origin);

    // Create the native window now, so that levels and click-through can be set before it is
    // first shown.
    m_view->winId();
    QWindow *handle = m_view->windowHandle();
    handle->installEventFilter(this);
    connect(handle, &QWindow::visibleChanged, this, &PetWindowController::updateVisibility);
    if (m_windowSystem) {
        m_windowSystem->setOnAllDesktops(handle);
        connect(m_windowSystem, &WindowSystem::stackingChanged, this, &PetWindowController::raiseIfCovered);
    }

    // A monitor unplugged under the pet leaves it on no screen. Qt drops the screen before it
    // tells, but the window system may still be rearranging windows: look once that is over.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
        [this] { QTimer::singleShot(0, this, &PetWindowController::recoverIfOffscreen); });

    m_raiseCooldown.setSingleShot(true);
    m_raiseCooldown.setInterval(raiseCooldownMs);
    connect(&m_raiseCooldown, &QTimer::timeout, this, [this] {
        if (m_raisePending) {
            m_raisePending = false;
            raiseIfCovered();
        }
    });
}

PetWindowController::~PetWindowController()
{
    // Nobody should hear of a window that is being dropped.
    blockSignals(true);
    m_view->blockSignals(true);
    m_view->hide();
    // The controller may go while the view is still handling the event that led to this (a
    // pet switched from the context menu); the view is deleted once that is over.
    m_view.release()->deleteLater();
}

QWidget *PetWindowController::window() const
{
    return m_view.get();
}

QWindow *PetWindowController::windowHandle() const
{
    return m_view->windowHandle();
}

void PetWindowController::show()
{
    if (m_windowSystem)
        m_windowSystem->setOnAllDesktops(m_view->windowHandle());
    m_view->show();
    m_view->raise();
}

void PetWindowController::hide()
{
    m_view->endPressWithoutClick();
    m_view->hide();
}

void PetWindowController::setFlag(Qt::WindowType flag, bool on)
{
    QWindow *handle = m_view->windowHandle();
    if (!handle || handle->flags().testFlag(flag) == on)
        return;
    // QWindow::setFlag changes a shown window in place; QWidget::setWindowFlags would hide it.
    // The widget is told the new flags too, so that it never applies stale ones.
    handle->setFlag(flag, on);
    m_view->overrideWindowFlags(handle->flags());
}

void PetWindowController::setWindowLevel(WindowLevel level)
{
    m_level = level;
    setFlag(Qt::WindowStaysOnBottomHint, level == WindowLevel::Desktop);
    setFlag(Qt::WindowStaysOnTopHint, level != WindowLevel::Desktop);
    if (level == WindowLevel::Desktop)
        m_view->lower();
    else
        raiseIfCovered();
}

void PetWindowController::setClickThrough(bool enabled)
{
    m_clickThrough = enabled;
    if (enabled)
        m_view->endPressWithoutClick();
    setFlag(Qt::WindowTransparentForInput, enabled);
    // Leaving click-through gives the window its full rectangle for input again.
    if (!enabled)
        m_view->refreshInputShape();
}

void PetWindowController::recoverIfOffscreen()
{
    const QRectF frame(m_view->geometry());
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *candidate : screens) {
        if (frame.intersects(QRectF(candidate->availableGeometry())))
            return;
    }
    const QScreen *target = primaryOrFirstScreen();
    if (!target)
        return;
    m_view->move(centredOn(QRectF(target->availableGeometry()), m_view->size()));
}

QScreen *PetWindowController::screen() const
{
    if (QScreen *holding = QGuiApplication::screenAt(m_view->geometry().center()))
        return holding;
    return QGuiApplication::primaryScreen();
}

QString PetWindowController::identifier(const QScreen *screen)
{
    if (!screen)
        return QStringLiteral("screen-unknown");
    const QRect geometry = screen->geometry();
    const QString name = screen->name().isEmpty() ? QStringLiteral("unknown") : screen->name();
    return QStringLiteral("screen-%1-%2x%3+%4+%5")
        .arg(name)
        .arg(geometry.width())
        .arg(geometry.height())
        .arg(geometry.x())
        .arg(geometry.y());
}

bool PetWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && watched == m_view->windowHandle())
        updateVisibility();
    return QObject::eventFilter(watched, event);
}

void PetWindowController::updateVisibility()
{
    const QWindow *handle = m_view->windowHandle();
    const bool visible = handle && handle->isVisible() && handle->isExposed();
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibilityChanged(visible);
}

void PetWindowController::raiseIfCovered()
{
    if (m_level != WindowLevel::AlwaysOnTop || !m_visible || !m_windowSystem)
        return;
    if (m_raiseCooldown.isActive()) {
        m_raisePending = true;
        return;
    }
    if (!m_windowSystem->isCovered(m_view->windowHandle()))
        return;
    m_view->raise();
    m_raiseCooldown.start();
}
