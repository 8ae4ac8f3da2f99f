#pragma once

#include <QString>
#include <type_traits>
#include <utility>
#include <variant>

// Why a call failed, in the words of what failed (the database, the system).
struct Failure
{
    QString reason;
};

// What a call gives back: its value, or why it failed. Each call says its
// own failure; none is left behind for a later call to find.
template <typename T>
class [[nodiscard]] Result
{
public:
    template <typename U = T>
        requires std::is_constructible_v<T, U &&> && (!std::is_same_v<std::remove_cvref_t<U>, Failure>)
    Result(U &&value)
        : m_value(std::in_place_index<0>, std::forward<U>(value))
    {
    }
    Result(Failure failure)
        : m_value(std::in_place_index<1>, std::move(failure))
    {
    }

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<0>(m_value); }
    T &value() & { return std::get<0>(m_value); }
    // From a result about to go, the value itself: safe to keep, and to loop over.
    T value() && { return std::get<0>(std::move(m_value)); }
    const T &operator*() const & { return value(); }
    T &operator*() & { return value(); }
    T operator*() && { return std::move(*this).value(); }
    const T *operator->() const { return &value(); }
    T *operator->() { return &value(); }
    // Why it failed; empty when it did not.
    QString error() const { return ok() ? QString() : std::get<1>(m_value).reason; }
    // The failure alone, to pass on as another call's.
    Failure failure() const { return Failure{error()}; }

private:
    std::variant<T, Failure> m_value;
};

// A call that gives nothing back but whether it was done.
template <>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure)
        : m_failure(std::move(failure))
        , m_failed(true)
    {
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    QString error() const { return m_failure.reason; }
    Failure failure() const { return m_failure; }

private:
    Failure m_failure;
    bool m_failed = false;
};
