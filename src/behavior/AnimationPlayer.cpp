#include "behavior/AnimationPlayer.h"

#include "pets/SpriteSheetDecoder.h"

#include <algorithm>
#include <cmath>

AnimationPlayer::AnimationPlayer(
    std::shared_ptr<const SpriteSheetDecoder> decoder, const PetAnimation &animation, QObject *parent)
    : QObject(parent)
    , m_decoder(std::move(decoder))
{
    install(animation);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AnimationPlayer::tick);
}

AnimationPlayer::~AnimationPlayer() = default;

int AnimationPlayer::intervalMs(double fps)
{
    if (!(fps > 0.0)) // zero, negative or NaN
        return maximumIntervalMs;
    const double ms = std::round(1000.0 / fps); // an infinite rate gives 0, bounded below
    return int(std::clamp(ms, double(minimumIntervalMs), double(maximumIntervalMs)));
}

void AnimationPlayer::install(const PetAnimation &animation)
{
    if (animation.row != m_animation.row)
        m_frames.clear();
    m_animation = animation;
    m_animation.frameCount = std::max<qint64>(animation.frameCount, 1);
    m_animation.fps = std::isnan(animation.fps) ? 1.0 : std::max(animation.fps, 1.0);

    const qint64 columns = m_decoder ? std::max<qint64>(m_decoder->manifest().columns, 1) : 1;
    const qint64 cached = std::min({ columns, m_animation.frameCount, qint64(maximumCachedFrames) });
    m_frames.resize(qsizetype(cached));
}

void AnimationPlayer::set(const PetAnimation &animation, bool reset)
{
    const bool wasPaused = m_paused;
    m_timer.stop();
    m_paused = true;
    install(animation);
    if (reset)
        m_currentFrameIndex = 0;
    emitCurrent();
    if (!wasPaused) {
        m_paused = false;
        if (!m_suspended)
            startFrameTimer();
    }
}

void AnimationPlayer::play()
{
    if (m_timer.isActive())
        return;
    m_paused = false;
    if (!m_suspended)
        startFrameTimer();
}

void AnimationPlayer::stop()
{
    m_paused = true;
    m_timer.stop();
}

void AnimationPlayer::setSuspended(bool suspended)
{
    if (suspended == m_suspended)
        return;
    m_suspended = suspended;
    if (suspended)
        m_timer.stop();
    else if (!m_paused && !m_timer.isActive())
        startFrameTimer();
}

void AnimationPlayer::startFrameTimer()
{
    emitCurrent();
    m_timer.start(intervalMs(m_animation.fps));
}

void AnimationPlayer::tick()
{
    const qint64 last = m_animation.frameCount - 1;
    if (m_currentFrameIndex >= last) {
        if (!m_animation.loop) {
            emitCurrent();
            m_paused = true;
            m_timer.stop();
            emit oneShotFinished(); // the listener may install and play the next animation
            return;
        }
        m_currentFrameIndex = 0;
    } else {
        ++m_currentFrameIndex;
    }
    emitCurrent();
}

void AnimationPlayer::emitCurrent()
{
    if (!m_decoder)
        return;
    // The index is bounded by the atlas's width, not by the frame count: an animation declaring
    // more frames than a row has cells holds its last cell.
    const qint64 columns = std::max<qint64>(m_decoder->manifest().columns, 1);
    const QImage frame = frameForColumn(std::min(m_currentFrameIndex, columns - 1));
    if (!frame.isNull())
        emit frameEmitted(frame);
}

QImage AnimationPlayer::frameForColumn(qint64 column)
{
    const bool cacheable = column >= 0 && column < m_frames.size();
    if (cacheable && !m_frames.at(column).isNull())
        return m_frames.at(column);

    QImage frame = m_decoder->image(m_animation.row, column);
    if (frame.isNull())
        frame = m_decoder->image(0, 0);
    if (cacheable)
        m_frames[column] = frame;
    return frame;
}
