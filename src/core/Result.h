// The outcome of a load, a link or a command: a value, or an error whose kind and text name
// what is wrong. The service manager gives its own codes (platform::ServiceError) instead.
#pragma once

#include <string>
#include <utility>

#include "platform/Result.h"

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
using Result = platform::Result<T, E>;
using Done = platform::Done;

// For loaders that produce nothing but success or an error.
using Status = Result<Done>;
inline Status Success() { return Done{}; }
inline Error Fail(ErrorKind kind, std::string text) { return Error{kind, std::move(text)}; }

}  // namespace core
