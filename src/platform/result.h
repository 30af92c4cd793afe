#pragma once
// A value, or the reason there is none: the one shape in which the platform layer and velmora-tag
// hand back a failure that the caller has to act on.
//
// It is the part of std::expected that the code needs, under its names, so that moving to it is a
// rename. Not std::expected itself: the fuzzers are built with clang 14, which this libstdc++'s
// <expected> does not serve.

#include <concepts>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace platform {

// The reason, on its way into a Result (std::unexpected).
template <class E>
struct Failure {
    explicit Failure(E why) : reason(std::move(why)) {}
    E reason;
};

template <class T, class E = std::string>
class [[nodiscard]] Result {
  public:
    // As std::expected takes it: whatever converts to a T, a std::nullopt for an optional one.
    template <std::convertible_to<T> U = T>
    Result(U&& value) : m_state(std::in_place_index<0>, std::forward<U>(value)) {}
    template <class F>
    Result(Failure<F> failure) : m_state(std::in_place_index<1>, std::move(failure.reason)) {}

    bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& operator*() { return std::get<0>(m_state); }
    const T& operator*() const { return std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    const E& error() const { return std::get<1>(m_state); }

  private:
    std::variant<T, E> m_state;
};

template <class E>
class [[nodiscard]] Result<void, E> {
  public:
    Result() = default;
    template <class F>
    Result(Failure<F> failure) : m_error(std::move(failure.reason)) {}

    bool has_value() const { return !m_error.has_value(); }
    explicit operator bool() const { return has_value(); }

    const E& error() const { return *m_error; }

  private:
    std::optional<E> m_error;
};

}  // namespace platform
