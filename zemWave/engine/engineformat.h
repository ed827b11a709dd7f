// printf-style formatting into a std::string, for the engine's texts (names may be long).
#pragma once

#include <string>

std::string EngineFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
