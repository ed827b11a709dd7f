// Text from system values: error messages, numbers, sizes, dates.
#pragma once

#include <string>

// The system's message for an errno value, or for the calling thread's last error when
// code is 0; one line, at most 255 bytes; empty when the system has no message for it.
std::string LastErrorText(int code);
