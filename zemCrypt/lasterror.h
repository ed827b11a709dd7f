// The system's text for an error number.
#pragma once

#include <string>

// The text for code, or for the last error of the calling thread (errno) when code is 0.
std::string GetLastErrorText(int code);
