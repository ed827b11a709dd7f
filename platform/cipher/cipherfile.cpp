#include "cipher/cipherfile.h"

#include "cipher/cbcstream.h"
#include "cipher/ciphererror.h"
#include "cipher/cipherformat.h"
#include "cipher/cipherio.h"
#include "cipher/zlibstream.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sys/random.h>
#include <vector>
#include <zlib.h>

namespace zemcipher {
namespace {

// A multiple of the block size: large enough that system calls cost little next to the cipher,
// small enough that a piece is still in the cache when it is checked and written.
constexpr size_t kPiece = 256 * 1024;

Block RandomIv()
{
    Block iv;
    size_t done = 0;
    while (done < iv.size()) {
        const ssize_t n = getrandom(iv.data() + done, iv.size() - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CipherError(ErrorCode::Internal, "no random numbers from the system");
        done += static_cast<size_t>(n);
    }
    return iv;
}

uint32_t UpdateCrc(uint32_t crc, const uint8_t* data, size_t size)
{
    return static_cast<uint32_t>(crc32_z(crc, data, size));
}

[[noreturn]] void ThrowDamaged(const char* detail)
{
    throw CipherError(ErrorCode::Damaged, std::string("the enciphered file is damaged (") + detail + ")");
}

// Reads and checks the header and the key-check block; leaves the source at the data.
FileHeader ReadHeader(InputFile& in, const std::string& source)
{
    HeaderBytes bytes{};
    const size_t got = in.Read(bytes.data(), bytes.size());
    if (!HasMagic(bytes.data(), got))
        throw CipherError(ErrorCode::NotEnciphered, "\"" + source + "\" is not an enciphered file");
    if (got < bytes.size())
        throw CipherError(ErrorCode::Truncated, "the enciphered file is truncated");
    const FileHeader header = DecodeHeader(bytes);
    if (header.cipherLength % kBlockSize != 0 || header.cipherLength < 2 * kBlockSize)
        ThrowDamaged("length");
    const uint64_t size = in.Size();
    if (size < kHeaderSize + header.cipherLength)
        throw CipherError(ErrorCode::Truncated, "the enciphered file is truncated");
    if (size > kHeaderSize + header.cipherLength)
        ThrowDamaged("data after the end");
    return header;
}

void RefuseSameFile(const InputFile& in, const std::string& destination)
{
    if (in.IsSameFile(destination))
        throw CipherError(ErrorCode::CreateDestination,
                          "cannot create \"" + destination + "\": it is the source file");
}

}  // namespace

void EncipherFile(const blowfish_ctx& key, EncipherOptions options, const std::string& source,
                  const std::string& destination)
{
    InputFile in(source);
    RefuseSameFile(in, destination);
    OutputFile out(destination);

    FileHeader header;
    header.flags = static_cast<uint16_t>((options.crc ? kFlagCrc : 0) |
                                         (options.compression ? kFlagCompressed : 0));
    header.iv = RandomIv();
    const HeaderBytes placeholder{};
    out.Write(placeholder.data(), placeholder.size());

    CbcEncryptor cipher(key, header.iv, [&](const uint8_t* data, size_t size) {
        out.Write(data, size);
        header.cipherLength += size;
    });
    cipher.Write(kKeyCheck.data(), kKeyCheck.size());
    std::optional<Deflater> deflater;
    if (options.compression)
        deflater.emplace([&](const uint8_t* data, size_t size) { cipher.Write(data, size); });

    std::vector<uint8_t> piece(kPiece);
    uint32_t crc = UpdateCrc(0, nullptr, 0);
    while (const size_t got = in.Read(piece.data(), piece.size())) {
        header.plainLength += got;
        if (options.crc)
            crc = UpdateCrc(crc, piece.data(), got);
        if (deflater)
            deflater->Write(piece.data(), got);
        else
            cipher.Write(piece.data(), got);
    }
    if (deflater)
        deflater->Finish();
    cipher.Finish();

    header.crc = options.crc ? crc : 0;
    const HeaderBytes bytes = EncodeHeader(header);
    out.WriteAt(0, bytes.data(), bytes.size());
    out.Close();
}

void DecipherFile(const blowfish_ctx& key, bool checkCrc, const std::string& source,
                  const std::string& destination)
{
    InputFile in(source);
    const FileHeader header = ReadHeader(in, source);

    std::vector<uint8_t> piece(kPiece);
    uint64_t left = header.cipherLength;
    size_t got = in.Read(piece.data(), static_cast<size_t>(std::min<uint64_t>(left, piece.size())));
    left -= got;

    // The output may be written only once the key is known to be right.
    uint64_t plainLength = 0;
    uint32_t crc = UpdateCrc(0, nullptr, 0);
    std::optional<OutputFile> out;
    auto writePlain = [&](const uint8_t* data, size_t size) {
        plainLength += size;
        if (plainLength > header.plainLength)
            ThrowDamaged("length");
        crc = UpdateCrc(crc, data, size);
        out->Write(data, size);
    };
    std::optional<Inflater> inflater;
    if (header.flags & kFlagCompressed)
        inflater.emplace(writePlain);
    CbcDecryptor cipher(key, header.iv, [&](const uint8_t* data, size_t size) {
        if (inflater)
            inflater->Write(data, size);
        else
            writePlain(data, size);
    });

    if (got < kBlockSize || got % kBlockSize != 0)
        throw CipherError(ErrorCode::Truncated, "the enciphered file is truncated");
    if (cipher.DecipherBlock(piece.data()) != kKeyCheck)
        throw CipherError(ErrorCode::WrongKey, "wrong key");
    RefuseSameFile(in, destination);
    out.emplace(destination);

    cipher.Write(piece.data() + kBlockSize, got - kBlockSize);
    while (left > 0) {
        got = in.Read(piece.data(), static_cast<size_t>(std::min<uint64_t>(left, piece.size())));
        if (got == 0 || got % kBlockSize != 0)
            throw CipherError(ErrorCode::Truncated, "the enciphered file is truncated");
        left -= got;
        cipher.Write(piece.data(), got);
    }
    cipher.Finish();
    if (inflater)
        inflater->Finish();
    if (plainLength != header.plainLength)
        ThrowDamaged("length");
    if (checkCrc && (header.flags & kFlagCrc) && crc != header.crc)
        throw CipherError(ErrorCode::CrcMismatch, "CRC check failed: the deciphered data is damaged");
    out->Close();
}

}  // namespace zemcipher
