#include "cipher/cipherformat.h"

#include "cipher/ciphererror.h"

#include <algorithm>
#include <string>

namespace zemcipher {
namespace {

constexpr std::array<uint8_t, 4> kMagic = {'Z', 'B', 'F', 'C'};

// Offsets in the header; all numbers are little-endian.
constexpr size_t kVersionAt = 4;
constexpr size_t kFlagsAt = 6;
constexpr size_t kPlainLengthAt = 8;
constexpr size_t kCipherLengthAt = 16;
constexpr size_t kCrcAt = 24;
constexpr size_t kIvAt = 32;

void Put(HeaderBytes& bytes, size_t at, uint64_t value, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t Get(const HeaderBytes& bytes, size_t at, size_t size)
{
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint64_t>(bytes[at + i]) << (8 * i);
    return value;
}

}  // namespace

HeaderBytes EncodeHeader(const FileHeader& header)
{
    HeaderBytes bytes{};
    std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
    Put(bytes, kVersionAt, kFormatVersion, 2);
    Put(bytes, kFlagsAt, header.flags, 2);
    Put(bytes, kPlainLengthAt, header.plainLength, 8);
    Put(bytes, kCipherLengthAt, header.cipherLength, 8);
    Put(bytes, kCrcAt, header.crc, 4);
    std::copy(header.iv.begin(), header.iv.end(), bytes.begin() + kIvAt);
    return bytes;
}

FileHeader DecodeHeader(const HeaderBytes& bytes)
{
    if (!HasMagic(bytes.data(), bytes.size()))
        throw CipherError(ErrorCode::NotEnciphered, "not an enciphered file");
    const auto version = Get(bytes, kVersionAt, 2);
    if (version != kFormatVersion)
        throw CipherError(ErrorCode::UnknownVersion,
                          "unknown version " + std::to_string(version) + " of the enciphered file");
    FileHeader header;
    header.flags = static_cast<uint16_t>(Get(bytes, kFlagsAt, 2));
    if ((header.flags & ~(kFlagCrc | kFlagCompressed)) != 0)
        throw CipherError(ErrorCode::Damaged, "the enciphered file is damaged (header)");
    header.plainLength = Get(bytes, kPlainLengthAt, 8);
    header.cipherLength = Get(bytes, kCipherLengthAt, 8);
    header.crc = static_cast<uint32_t>(Get(bytes, kCrcAt, 4));
    std::copy_n(bytes.begin() + kIvAt, kBlockSize, header.iv.begin());
    return header;
}

bool HasMagic(const uint8_t* bytes, size_t size)
{
    return size >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), bytes);
}

}  // namespace zemcipher
