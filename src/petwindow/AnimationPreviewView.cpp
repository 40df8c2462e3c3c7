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
        m_scaled.clear();
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
    // Nor would they see a preview scrolled out of view or under a sheet.
    const QWindow *handle = window()->windowHandle();
    if (!isVisible() || (handle && !handle->isExposed()) || visibleRegion().isEmpty())
        return;
    m_currentFrame = (m_currentFrame + 1) % m_frameCount;
    update();
}

void AnimationPreviewView::paintEvent(QPaintEvent *)
{
    if (!m_decoder || !m_row || m_frameCount < 1 || rect().isEmpty())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels != m_scaledSize) {
        m_scaled.clear();
        m_scaledSize = pixels;
    }
    // Each frame is cropped and scaled once for this size; the loop then only copies pixels.
    auto cached = m_scaled.constFind(m_currentFrame);
    if (cached == m_scaled.constEnd()) {
        const QImage frame = m_decoder->image(*m_row, m_currentFrame);
        if (frame.isNull() || frame.width() < 1 || frame.height() < 1)
            return;
        QPixmap scaled = QPixmap::fromImage(frame.scaled(
            frame.size().scaled(pixels, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio, Qt::FastTransformation));
        scaled.setDevicePixelRatio(ratio);
        cached = m_scaled.insert(m_currentFrame, scaled);
    }
    const QPixmap &scaled = cached.value();
    const QSizeF fitted = scaled.deviceIndependentSize();
    QPainter painter(this);
    painter.drawPixmap(QPointF((width() - fitted.width()) / 2.0, (height() - fitted.height()) / 2.0), scaled);
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
