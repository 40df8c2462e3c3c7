#include "platform/linux/X11LoopPlayer.h"

#include <pthread.h>

using Clock = std::chrono::steady_clock;

X11LoopPlayer::X11LoopPlayer(xcb_connection_t *connection)
    : m_connection(connection)
{
}

X11LoopPlayer::~X11LoopPlayer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        m_loop.reset();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void X11LoopPlayer::play(Loop loop)
{
    if (!m_connection || loop.steps.empty() || loop.interval <= std::chrono::nanoseconds::zero())
        return;
    {
        const std::lock_guard lock(m_mutex);
        loop.shown %= loop.steps.size();
        m_loop = std::move(loop);
        scheduleNext(Clock::now());
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

std::optional<std::size_t> X11LoopPlayer::stop()
{
    std::optional<std::size_t> shown;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_loop)
            return std::nullopt;
        shown = m_loop->shown;
        m_loop.reset();
        m_next.reset();
    }
    m_changed.notify_all();
    return shown;
}

xcb_window_t X11LoopPlayer::window()
{
    const std::lock_guard lock(m_mutex);
    return m_loop ? m_loop->window : 0;
}

std::size_t X11LoopPlayer::drawnSteps()
{
    const std::lock_guard lock(m_mutex);
    return m_drawn;
}

void X11LoopPlayer::scheduleNext(Clock::time_point from)
{
    m_next.reset();
    const std::size_t count = m_loop->steps.size();
    for (std::size_t ahead = 1; ahead <= count; ++ahead) {
        const std::size_t step = (m_loop->shown + ahead) % count;
        if (!m_loop->steps[step].rects.empty()) {
            m_next = step;
            m_due = from + m_loop->interval * ahead;
            return;
        }
    }
    // No step changes anything: the window already shows the whole loop.
}

void X11LoopPlayer::run()
{
    pthread_setname_np(pthread_self(), "frame loop");
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (!m_loop || !m_next) {
            m_changed.wait(lock);
            continue;
        }
        if (Clock::now() < m_due) {
            m_changed.wait_until(lock, m_due);
            continue;
        }
        // Drawn under the lock: once stop() returns, nothing more reaches the window.
        const Step &step = m_loop->steps[*m_next];
        for (const xcb_rectangle_t &rect : step.rects) {
            xcb_copy_area(m_connection, step.pixmap, m_loop->window, m_loop->gc, rect.x, rect.y, rect.x, rect.y,
                rect.width, rect.height);
        }
        xcb_flush(m_connection);
        ++m_drawn;
        m_loop->shown = *m_next;
        const Clock::time_point now = Clock::now();
        // After a long stall (a suspended machine) the loop goes on from now rather than racing.
        scheduleNext(now - m_due > m_loop->interval ? now : m_due);
    }
}
