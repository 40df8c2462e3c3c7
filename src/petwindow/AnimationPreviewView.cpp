#include "petwindow/AnimationPreviewView.h"

#include "behavior/AnimationTicker.h"
#include "pets/SpriteSheetDecoder.h"

#include <QPainter>
#include <QWindow>

#include <algorithm>

AnimationPreviewView::AnimationPreviewView(QWidget *parent, AnimationTicker *ticker)
    : QWidget(parent)
    , m_ticker(ticker ? ticker : &AnimationTicker::shared())
{
}

AnimationPreviewView::~AnimationPreviewView()
{
    if (m_subscribed && m_ticker)
        m_ticker->unsubscribe(this);
}

void AnimationPreviewView::configure(
    std::shared_ptr<const SpriteSheetDecoder> decoder, std::optional<qint64> row, bool isLive)
{
    const bool sourceChanged = decoder != m_decoder || row != m_row;
    m_decoder = std::move(decoder);
    m_row = row;
    m_live = isLive;
    m_frameCount = (m_decoder && m_row) ? std::max<qint64>(m_decoder->effectiveFrameCount(*m_row), 0) : 0;
    if (sourceChanged) {
        m_currentFrame = 0;
        update();
    }
    updateSubscription();
}

QSize AnimationPreviewView::sizeHint() const
{
    return { 64, 64 };
}

void AnimationPreviewView::updateSubscription()
{
    if (!m_ticker)
        return;
    const bool wanted = m_live && isVisible() && m_frameCount >= 2;
    if (wanted && !m_subscribed) {
        m_ticker->subscribe(this, [this] { advance(); });
        m_subscribed = true;
    } else if (!wanted && m_subscribed) {
        m_ticker->unsubscribe(this);
        m_subscribed = false;
        m_currentFrame = 0;
        update();
    }
}

void AnimationPreviewView::advance()
{
    if (!m_live || m_frameCount <= 1)
        return;
    // A minimised or covered window is not exposed: nobody would see the step.
    const QWindow *handle = window()->windowHandle();
    if (!isVisible() || (handle && !handle->isExposed()))
        return;
    m_currentFrame = (m_currentFrame + 1) % m_frameCount;
    update();
}

void AnimationPreviewView::paintEvent(QPaintEvent *)
{
    if (!m_decoder || !m_row || m_frameCount < 1 || rect().isEmpty())
        return;
    const QImage frame = m_decoder->image(*m_row, m_currentFrame);
    if (frame.isNull() || frame.width() < 1 || frame.height() < 1)
        return;
    const QSizeF fitted = QSizeF(frame.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2.0, (height() - fitted.height()) / 2.0), fitted);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, frame);
}

void AnimationPreviewView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateSubscription();
}

void AnimationPreviewView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateSubscription();
}
