#pragma once

#include <expected>
#include <string>

namespace platform {

// Why an operation failed, in one line the user can read. Operations that can fail answer
// std::expected<T, Error>; callers that show the reason pass the message on unchanged or
// put their own context in front of it.
struct Error {
    std::string message;
    friend bool operator==(const Error&, const Error&) = default;
};

// The failed side of a std::expected<T, Error>: `return failure("no such file");`.
inline std::unexpected<Error> failure(std::string message) {
    return std::unexpected(Error{std::move(message)});
}

} // namespace platform
