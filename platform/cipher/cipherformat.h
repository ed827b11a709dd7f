// The header of an enciphered file and the constants of the format (docs/cipher-format.md).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zemcipher {

constexpr size_t kBlockSize = 8;
using Block = std::array<uint8_t, kBlockSize>;

constexpr size_t kHeaderSize = 40;
constexpr uint16_t kFormatVersion = 1;
constexpr uint16_t kFlagCrc = 0x0001;
constexpr uint16_t kFlagCompressed = 0x0002;

// First plain block of every enciphered stream: a wrong key deciphers it to something else,
// which tells a wrong key apart from damage also when the file carries no CRC.
constexpr Block kKeyCheck = {'Z', 'E', 'M', 'K', 'E', 'Y', 'O', 'K'};

struct FileHeader {
    uint16_t flags = 0;
    uint64_t plainLength = 0;   // bytes of plain data
    uint64_t cipherLength = 0;  // bytes of enciphered data after the header
    uint32_t crc = 0;           // CRC-32 of the plain data; 0 without kFlagCrc
    Block iv{};
};

using HeaderBytes = std::array<uint8_t, kHeaderSize>;

HeaderBytes EncodeHeader(const FileHeader& header);

// Throws CipherError: NotEnciphered (no magic), UnknownVersion, Damaged (unknown flags).
FileHeader DecodeHeader(const HeaderBytes& bytes);

// True when bytes (at least four) begin with the magic.
bool HasMagic(const uint8_t* bytes, size_t size);

}  // namespace zemcipher
