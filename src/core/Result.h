// An operation's outcome: a value, or an error. Loaders give an error kind with a text that
// names what is wrong; the service layer gives its own error codes (platform::ServiceError).
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace core {

enum class ErrorKind {
    Io,           // the file or connection could not be used
    Truncated,    // the bytes end before what they promise
    Corrupt,      // the bytes contradict themselves or their format
    Unsupported,  // well-formed, but not something this program handles
    Protocol,     // a peer broke the protocol
};

struct Error {
    ErrorKind kind = ErrorKind::Corrupt;
    std::string text;
};

template <class T, class E = Error>
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

// For loaders that produce nothing but success or an error.
struct Done {};
using Status = Result<Done>;
inline Status Success() { return Done{}; }
inline Error Fail(ErrorKind kind, std::string text) { return Error{kind, std::move(text)}; }

}  // namespace core
