// Rounded a*b/c on unsigned 32-bit values, computed in 64 bits and cut to 32.
#pragma once

#include <cstdint>

// A divisor of 0 gives 0 rather than a fault.
inline uint32_t MulDivRound(uint32_t a, uint32_t b, uint32_t c)
{
    if (c == 0)
        return 0;
    return static_cast<uint32_t>((uint64_t{a} * b + c / 2) / c);
}
