// Where a stage of the cipher pipeline hands on its output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace zemcipher {

using ByteSink = std::function<void(const uint8_t* data, size_t size)>;

}  // namespace zemcipher
