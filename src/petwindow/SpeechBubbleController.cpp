#include "petwindow/SpeechBubbleController.h"

#include "behavior/SpeechBubbleLayout.h"
#include "petwindow/SpeechBubbleView.h"
#include "platform/WindowSystem.h"

#include <optional>

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWindow>

namespace {
// The available area of the pet window's screen, else of the primary screen; none without
// any screen.
std::optional<QRectF> availableAreaFor(const QWidget *petWindow)
{
    QScreen *screen = QGuiApplication::screenAt(petWindow->geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return QRectF(screen->availableGeometry());
}

QRect wholePoints(const QRectF &frame)
{
    return QRect(qRound(frame.x()), qRound(frame.y()), qRound(frame.width()), qRound(frame.height()));
}
}

SpeechBubbleController::SpeechBubbleController(WindowSystem *windowSystem, QObject *parent)
    : QObject(parent)
    , m_windowSystem(windowSystem)
{
    m_dismissTimer.setSingleShot(true);
    connect(&m_dismissTimer, &QTimer::timeout, this, &SpeechBubbleController::hide);
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(defaultReleaseDelay);
    connect(&m_releaseTimer, &QTimer::timeout, this, &SpeechBubbleController::releaseWindow);
}

SpeechBubbleController::~SpeechBubbleController() = default;

void SpeechBubbleController::setPetWindow(QWidget *petWindow)
{
    m_petWindow = petWindow;
}

void SpeechBubbleController::setReleaseDelay(std::chrono::milliseconds delay)
{
    m_releaseTimer.setInterval(delay);
}

bool SpeechBubbleController::isShowing() const
{
    return m_view && m_view->isVisible() && !m_fadingOut;
}

void SpeechBubbleController::ensureWindow()
{
    if (m_view)
        return;
    m_view = std::make_unique<SpeechBubbleView>();
    m_view->winId();
    if (m_windowSystem)
        m_windowSystem->setOnAllDesktops(m_view->windowHandle());
    m_fade = new QPropertyAnimation(m_view.get(), "windowOpacity", m_view.get());
    m_fade->setDuration(int(fadeDuration.count()));
    connect(m_fade, &QPropertyAnimation::finished, this, &SpeechBubbleController::onFadeFinished);
}

void SpeechBubbleController::show(const QString &text, std::chrono::milliseconds duration)
{
    const QString line = text.trimmed();
    // Without a pet there is nothing to point at; the window is neither built nor kept.
    if (line.isEmpty() || !m_petWindow)
        return;
    m_releaseTimer.stop();
    ensureWindow();

    // However long the line, the bubble is never taller than the screen's visible area.
    const std::optional<QRectF> area = availableAreaFor(m_petWindow);
    const QSizeF textSize = m_view->setText(
        line, area ? std::optional<qreal>(SpeechBubbleLayout::maxTextHeight(area->height())) : std::nullopt);
    const QSizeF size = SpeechBubbleLayout::bubbleSize(textSize);
    const QRectF pet(m_petWindow->geometry());
    const SpeechBubbleLayout::Placement placement = SpeechBubbleLayout::place(pet, size, area);
    m_view->setTail(placement.tail, placement.tailX);
    m_view->setGeometry(wholePoints(placement.frame));

    if (!m_view->isVisible()) {
        m_view->setWindowOpacity(0);
        if (m_windowSystem)
            m_windowSystem->setOnAllDesktops(m_view->windowHandle());
        m_view->show();
        m_view->raise();
    }
    fadeTo(1);
    m_dismissTimer.start(duration);
}

void SpeechBubbleController::hide()
{
    m_dismissTimer.stop();
    if (!m_view || !m_view->isVisible() || m_fadingOut)
        return;
    fadeTo(0);
}

void SpeechBubbleController::fadeTo(qreal opacity)
{
    // Stopping a running fade does not report it finished: a line shown while the previous one
    // fades out stays.
    m_fade->stop();
    m_fadingOut = opacity < 1;
    m_fade->setStartValue(m_view->windowOpacity());
    m_fade->setEndValue(opacity);
    m_fade->start();
}

void SpeechBubbleController::onFadeFinished()
{
    if (!m_fadingOut)
        return;
    m_fadingOut = false;
    m_view->hide();
    scheduleRelease();
}

void SpeechBubbleController::scheduleRelease()
{
    m_releaseTimer.start();
}

void SpeechBubbleController::releaseWindow()
{
    m_releaseTimer.stop();
    if (!m_view)
        return;
    m_view->hide();
    m_view.reset();
}

void SpeechBubbleController::repositionAboveCurrentPet()
{
    if (!m_view || !m_petWindow || !m_view->isVisible())
        return;
    const SpeechBubbleLayout::Placement placement
        = SpeechBubbleLayout::follow(QRectF(m_petWindow->geometry()), QSizeF(m_view->size()), m_view->tailDirection());
    m_view->move(wholePoints(placement.frame).topLeft());
    m_view->setTail(placement.tail, placement.tailX);
}
