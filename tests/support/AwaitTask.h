#pragma once

#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>

#include <qcoro/qcorotask.h>

#include <optional>
#include <type_traits>

// Runs the event loop until a coroutine finishes and returns its result. A coroutine that does
// not finish within the timeout aborts the test process (it may still hold references).
template<typename T> T awaitTask(QCoro::Task<T> task, int timeoutMs = 15000)
{
    QEventLoop loop;
    bool done = false;
    if constexpr (std::is_void_v<T>) {
        auto wrapper = [&]() -> QCoro::Task<> {
            co_await std::move(task);
            done = true;
            loop.quit();
        };
        auto running = wrapper();
        if (!done) {
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (!done)
            qFatal("awaitTask: coroutine did not finish within %d ms", timeoutMs);
    } else {
        std::optional<T> result;
        auto wrapper = [&]() -> QCoro::Task<> {
            result.emplace(co_await std::move(task));
            done = true;
            loop.quit();
        };
        auto running = wrapper();
        if (!done) {
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (!done)
            qFatal("awaitTask: coroutine did not finish within %d ms", timeoutMs);
        return std::move(*result);
    }
}
