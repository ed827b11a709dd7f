// Little-endian numbers in byte buffers, as RIFF files and sample data store them.
#pragma once

#include <cstdint>

namespace zem {

inline uint16_t ReadLe16(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadLe32(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return ReadLe16(p) | (static_cast<uint32_t>(ReadLe16(p + 2)) << 16);
}

inline void WriteLe16(void* at, uint16_t value)
{
    auto* p = static_cast<uint8_t*>(at);
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void WriteLe32(void* at, uint32_t value)
{
    auto* p = static_cast<uint8_t*>(at);
    WriteLe16(p, static_cast<uint16_t>(value));
    WriteLe16(p + 2, static_cast<uint16_t>(value >> 16));
}

// Appends to a byte container (std::string or std::vector of bytes).
template <typename Bytes>
void AppendLe16(Bytes& out, uint16_t value)
{
    out.push_back(static_cast<typename Bytes::value_type>(value));
    out.push_back(static_cast<typename Bytes::value_type>(value >> 8));
}

template <typename Bytes>
void AppendLe32(Bytes& out, uint32_t value)
{
    AppendLe16(out, static_cast<uint16_t>(value));
    AppendLe16(out, static_cast<uint16_t>(value >> 16));
}

}  // namespace zem
