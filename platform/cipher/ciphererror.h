// The failures of the cipher library: a number the caller receives and a text it can show.
// Inside the library they travel as a CipherError exception up to the exported function.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zemcipher {

// Stable numbers: callers may store them. Keep docs/cipher-format.md in step.
enum class ErrorCode : int32_t {
    None = 0,
    NoKey = 1,
    WeakKey = 2,
    OpenSource = 3,
    CreateDestination = 4,
    Read = 5,
    Write = 6,
    NotEnciphered = 7,
    UnknownVersion = 8,
    Truncated = 9,
    Damaged = 10,
    WrongKey = 11,
    CrcMismatch = 12,
    Compression = 13,
    Internal = 14,
};

class CipherError : public std::runtime_error {
public:
    CipherError(ErrorCode code, const std::string& text) : std::runtime_error(text), code_(code) {}
    ErrorCode code() const { return code_; }

private:
    ErrorCode code_;
};

// Throws the error with the text "<what> "<path>": <system text of err>".
[[noreturn]] void ThrowFileError(ErrorCode code, const char* what, const std::string& path, int err);

}  // namespace zemcipher
