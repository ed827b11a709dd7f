// Text from a recording file placed inside a quoted JavaScript string of "data.js".
#pragma once

#include <string>
#include <string_view>

// Escapes back slashes, both quotes, control characters and "</", so that no text can end
// the string or the script; every other byte stays as it is.
std::string JsEscape(std::string_view text);
