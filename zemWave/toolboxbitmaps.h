// The toolbox images of the module's controls, which their registry entries
// ("ToolboxBitmap32" = "<module>, <id>") name and the module serves as resources of type
// "BITMAP".
#pragma once

#include <cstdint>
#include <string_view>

namespace zemwave {

constexpr uint32_t kToolboxPlayer = 1;
constexpr uint32_t kToolboxPrompt = 2;
constexpr uint32_t kToolboxPlayList = 204;

// The image's bytes (XPM); empty for an id that names none.
std::string_view ToolboxBitmap(uint32_t id);

}  // namespace zemwave
