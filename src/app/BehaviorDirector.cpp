#include "app/BehaviorDirector.h"

#include "petwindow/PetWindowController.h"
#include "platform/WindowSystem.h"
#include "settings/SettingsStore.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
// Moves asked of the window system and not yet confirmed, at most.
constexpr qsizetype kRememberedMoves = 16;
}

BehaviorDirector::BehaviorDirector(PetWindowController &window, Clock &clock, RandomSource &random,
    WindowSystem *windowSystem, PetStateMachine &stateMachine, SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_windowSystem(windowSystem)
    , m_settings(settings)
    , m_engine(clock, random)
{
    m_engine.setStateMachine(&stateMachine);
    m_engine.setChatterEnabledQuery([&settings] { return settings.chatterEnabled(); });
    m_engine.setMode(settings.behaviorMode());
    BehaviorEngine::WindowGeometry geometry;
    geometry.frame = [this]() -> std::optional<QRectF> { return windowFrame(); };
    geometry.visibleFrame = [this]() -> std::optional<QRectF> {
        QScreen *screen = m_window.screen();
        return screen ? std::optional<QRectF>(QRectF(screen->availableGeometry())) : std::nullopt;
    };
    m_engine.setWindowGeometry(std::move(geometry));
    connect(&m_engine, &BehaviorEngine::windowMoveRequested, this, &BehaviorDirector::moveWindow);
    m_window.window()->installEventFilter(this);
}

BehaviorDirector::~BehaviorDirector()
{
    m_engine.stop();
    m_window.window()->removeEventFilter(this);
}

void BehaviorDirector::setRows(const QList<qint64> &rows, const RowRoles::NameOf &nameOf, bool movementInverted)
{
    m_engine.setMaxRow(rows.isEmpty() ? 0 : std::max<qint64>(rows.constLast(), 0));
    const RowRoles::MovementRows movement = RowRoles::movementRows(rows, nameOf, movementInverted);
    m_engine.setMovementRows(movement.right, movement.left);
    m_engine.setActionPool(RowRoles::actionPool(rows, nameOf, movement));
}

void BehaviorDirector::setMode(BehaviorMode mode)
{
    m_settings.setBehaviorMode(mode);
    m_engine.setMode(mode);
    if (!m_held)
        m_engine.restart();
}

void BehaviorDirector::setHeld(bool held)
{
    if (held == m_held)
        return;
    m_held = held;
    if (held)
        m_engine.stop();
    else
        m_engine.restart();
}

void BehaviorDirector::moveWindow(double dx, double dy)
{
    QWidget *window = m_window.window();
    const QRectF frame = windowFrame();
    QRectF visible = frame;
    if (QScreen *screen = m_window.screen())
        visible = QRectF(screen->availableGeometry());
    double x = std::min(frame.x() + dx, visible.x() + visible.width() - frame.width());
    x = std::max(x, visible.x());
    double y = std::min(frame.y() + dy, visible.y() + visible.height() - frame.height());
    y = std::max(y, visible.y());
    if (QPointF(x, y) == frame.topLeft())
        return;
    m_preciseOrigin = QPointF(x, y);
    const QPoint target(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    if (target == (m_requestedOrigins.isEmpty() ? window->pos() : m_requestedOrigins.constLast()))
        return;
    m_requestedOrigins.append(target);
    if (m_requestedOrigins.size() > kRememberedMoves)
        m_requestedOrigins.removeFirst();
    // The window system's confirmation arrives as a move event (see eventFilter).
    if (!m_windowSystem || !m_windowSystem->moveWindow(m_window.windowHandle(), target))
        window->move(target);
}

QRectF BehaviorDirector::windowFrame() const
{
    const QRect actual = m_window.window()->geometry();
    if (m_preciseOrigin)
        return QRectF(*m_preciseOrigin, QSizeF(actual.size()));
    return QRectF(actual);
}

bool BehaviorDirector::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Move && watched == m_window.window()) {
        // A move nobody here asked for (a drag, the window manager) makes the window's own
        // position the truth again.
        const QPoint now = m_window.window()->pos();
        const qsizetype index = m_requestedOrigins.indexOf(now);
        if (index < 0) {
            m_preciseOrigin.reset();
            m_requestedOrigins.clear();
        } else {
            m_requestedOrigins.remove(0, index + 1);
        }
        emit windowMoved();
    }
    return QObject::eventFilter(watched, event);
}
