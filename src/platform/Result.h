// An operation's outcome: a value, or an error of the kind its layer reports. The service
// manager gives its own error codes (ServiceError); the layers above name theirs in
// core/Result.h.
#pragma once

#include <utility>
#include <variant>

namespace platform {

template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    Result(E error) : m_state(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool Ok() const noexcept { return m_state.index() == 0; }
    explicit operator bool() const noexcept { return Ok(); }
    T& Value() & { return std::get<0>(m_state); }
    const T& Value() const& { return std::get<0>(m_state); }
    T&& Value() && { return std::get<0>(std::move(m_state)); }
    const E& Err() const { return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

// The value of an operation that gives nothing but success or an error.
struct Done {};

}  // namespace platform
