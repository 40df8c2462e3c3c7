#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <xcb/xcb.h>

// Plays a loop of frames kept on the X server into a window from a thread of its own, the way a
// classic X11 pet runs its animation: at each step it wakes up, copies the tiles that change from
// the step's pixmap and goes back to sleep, so a pet that only breathes never wakes the main
// thread. One loop plays at a time; steps that change nothing cost no wake-up at all.
class X11LoopPlayer {
public:
    struct Step {
        xcb_pixmap_t pixmap = 0;
        std::vector<xcb_rectangle_t> rects; // what changes from the step before, in the window
    };
    struct Loop {
        xcb_window_t window = 0;
        xcb_gcontext_t gc = 0;
        std::vector<Step> steps;
        std::chrono::nanoseconds interval { 0 };
        std::size_t shown = 0; // the step in the window when the loop starts
    };

    explicit X11LoopPlayer(xcb_connection_t *connection);
    // Ends the loop and the thread.
    ~X11LoopPlayer();
    X11LoopPlayer(const X11LoopPlayer &) = delete;
    X11LoopPlayer &operator=(const X11LoopPlayer &) = delete;

    // Plays a loop in place of any other: its next step is due one interval from now.
    void play(Loop loop);
    // Ends the loop; returns the step in the window, or nothing when no loop played. Nothing is
    // drawn after it returns.
    std::optional<std::size_t> stop();
    // The window the loop plays in, or 0.
    xcb_window_t window();
    // Steps drawn since the player was made, for tests and diagnostics.
    std::size_t drawnSteps();

private:
    void run();
    // From the step in the window, the next one that changes something and when it is due.
    void scheduleNext(std::chrono::steady_clock::time_point from);

    xcb_connection_t *m_connection;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Loop> m_loop;
    std::optional<std::size_t> m_next;
    std::chrono::steady_clock::time_point m_due;
    std::size_t m_drawn = 0;
    bool m_quit = false;
    std::thread m_thread; // started with the first loop
};
