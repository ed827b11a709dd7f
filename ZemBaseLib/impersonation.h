// Logging on as another user for the calling thread. A user process on Linux cannot take on
// another user's identity (that needs root and changes the whole process), so the call
// always fails, and says so.
#pragma once

#include <cstdint>
#include <string>

// The system error code ImpersonateUser gives: the call is not supported here.
inline constexpr uint32_t kErrorCallNotImplemented = 120;

// Always kErrorCallNotImplemented, with errno set to ENOSYS and a trace line that names the
// user. Nothing of the user name or password is kept; unused is not used.
uint32_t ImpersonateUser(const std::string& user, uint32_t unused, const std::string& password);
