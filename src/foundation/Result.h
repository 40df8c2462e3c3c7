#pragma once

#include <utility>
#include <variant>

// A value or the error that prevented it. Operations that can fail return one of these so that
// callers decide between an alert, a bubble line or a log line.
template<typename T, typename E> class Result {
public:
    Result(T value)
        : m_data(std::in_place_index<0>, std::move(value))
    {
    }
    Result(E error)
        : m_data(std::in_place_index<1>, std::move(error))
    {
    }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return std::get<0>(m_data); }
    T &value() & { return std::get<0>(m_data); }
    T &&value() && { return std::get<0>(std::move(m_data)); }
    const E &error() const { return std::get<1>(m_data); }

private:
    std::variant<T, E> m_data;
};
