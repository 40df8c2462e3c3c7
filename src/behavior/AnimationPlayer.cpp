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
    if (animation.row != m_animation.row) {
        // A pet goes back and forth between a few rows (idle, a stroll each way): coming back to
        // one hands out the very same images, so everything kept per image downstream (scaled
        // copies, repaint regions, input masks, the window system's copies) stays valid.
        m_recentRows.prepend({ m_animation.row, std::exchange(m_frames, {}) });
        for (qsizetype index = 1; index < m_recentRows.size(); ++index) {
            if (m_recentRows.at(index).first == animation.row) {
                m_frames = m_recentRows.takeAt(index).second;
                break;
            }
        }
        while (m_recentRows.size() > keptRows)
            m_recentRows.removeLast();
    }
    m_animation = animation;
    m_animation.frameCount = std::max<qint64>(animation.frameCount, 1);
    m_animation.fps = std::isnan(animation.fps) ? 1.0 : std::max(animation.fps, 1.0);

    const qint64 columns = m_decoder ? std::max<qint64>(m_decoder->manifest().columns, 1) : 1;
    const qint64 cached = std::min({ columns, m_animation.frameCount, qint64(maximumCachedFrames) });
    m_frames.resize(qsizetype(cached));
}

void AnimationPlayer::set(const PetAnimation &animation, bool reset)
{
    takeLoopBack();
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
    if (isRunning())
        return;
    m_paused = false;
    if (!m_suspended)
        startFrameTimer();
}

void AnimationPlayer::stop()
{
    takeLoopBack();
    m_paused = true;
    m_timer.stop();
}

void AnimationPlayer::setSuspended(bool suspended)
{
    if (suspended == m_suspended)
        return;
    takeLoopBack();
    m_suspended = suspended;
    if (suspended)
        m_timer.stop();
    else if (!m_paused && !m_timer.isActive())
        startFrameTimer();
}

void AnimationPlayer::startFrameTimer()
{
    emitCurrent();
    m_steps = 0;
    m_timer.start(intervalMs(m_animation.fps));
}

void AnimationPlayer::setLoopOutlet(FrameLoopOutlet *outlet)
{
    takeLoopBack();
    m_outlet = outlet;
}

void AnimationPlayer::offerLoop()
{
    // Once every frame went out through the timer, whoever shows them has all of them at hand.
    if (!m_outlet || !m_animation.loop || m_animation.frameCount < 2 || m_animation.frameCount > maximumCachedFrames
        || ++m_steps != m_animation.frameCount || !m_timer.isActive())
        return;
    QList<QImage> frames;
    frames.reserve(qsizetype(m_animation.frameCount));
    for (qint64 index = 0; index < m_animation.frameCount; ++index) {
        QImage frame = frameAt(index);
        if (frame.isNull())
            return;
        frames.append(std::move(frame));
    }
    if (!m_outlet->takeLoop(frames, intervalMs(m_animation.fps), qsizetype(m_currentFrameIndex)))
        return;
    m_timer.stop();
    m_looping = true;
}

void AnimationPlayer::takeLoopBack()
{
    if (!m_looping)
        return;
    m_looping = false;
    resumeFrom(m_outlet ? m_outlet->returnLoop() : qsizetype(m_currentFrameIndex));
}

void AnimationPlayer::loopReturned(qsizetype shown)
{
    if (!m_looping)
        return;
    m_looping = false;
    resumeFrom(shown);
}

void AnimationPlayer::resumeFrom(qsizetype shown)
{
    if (shown >= 0 && shown < m_animation.frameCount)
        m_currentFrameIndex = shown;
    // The frame on screen is the current one already; the timer goes on from it.
    m_steps = 0;
    if (!m_paused && !m_suspended)
        m_timer.start(intervalMs(m_animation.fps));
}

void AnimationPlayer::tick()
{
    takeLoopBack();
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
    offerLoop();
}

void AnimationPlayer::emitCurrent()
{
    takeLoopBack();
    const QImage frame = frameAt(m_currentFrameIndex);
    if (!frame.isNull())
        emit frameEmitted(frame);
}

QImage AnimationPlayer::frameAt(qint64 index)
{
    if (!m_decoder)
        return {};
    // The index is bounded by the atlas's width, not by the frame count: an animation declaring
    // more frames than a row has cells holds its last cell.
    const qint64 columns = std::max<qint64>(m_decoder->manifest().columns, 1);
    return frameForColumn(std::min(index, columns - 1));
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
