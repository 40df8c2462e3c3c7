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
    // For a void task the flag stands in for its result.
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> result;
    auto wrapper = [&]() -> QCoro::Task<> {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            result.emplace(true);
        } else {
            result.emplace(co_await std::move(task));
        }
        loop.quit();
    };
    auto running = wrapper();
    if (!result) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!result)
        qFatal("awaitTask: coroutine did not finish within %d ms", timeoutMs);
    if constexpr (!std::is_void_v<T>)
        return std::move(*result);
}
