// The default printer, kept by CUPS (lpstat and lpoptions).
#pragma once

#include <cstdint>
#include <string>

// SetDefaultPrinter's result when the printer is unknown or cannot be made the default.
inline constexpr int32_t kPrinterNotSet = 2;

// The default destination's name, at most 255 bytes; empty without CUPS or a default.
std::string GetDefaultPrinterName();

// Makes printer the user's default destination (the system's when run by root): 0, or
// kPrinterNotSet when there is no CUPS, no such printer or the name is not a CUPS name.
int32_t SetDefaultPrinter(const std::string& printer);
