#include "cipher/cbcstream.h"

#include "cipher/ciphererror.h"

#include <algorithm>
#include <nettle/cbc.h>

namespace zemcipher {
namespace {

// nettle's CBC takes the block function with an untyped context.
void EncryptBlocks(const void* key, size_t size, uint8_t* dst, const uint8_t* src)
{
    blowfish_encrypt(static_cast<const blowfish_ctx*>(key), size, dst, src);
}

void DecryptBlocks(const void* key, size_t size, uint8_t* dst, const uint8_t* src)
{
    blowfish_decrypt(static_cast<const blowfish_ctx*>(key), size, dst, src);
}

}  // namespace

CbcEncryptor::CbcEncryptor(const blowfish_ctx& key, const Block& iv, ByteSink sink)
    : key_(key), chain_(iv), sink_(std::move(sink))
{
}

void CbcEncryptor::Write(const uint8_t* data, size_t size)
{
    out_.clear();
    if (pendingSize_ > 0) {
        const size_t take = std::min(size, kBlockSize - pendingSize_);
        std::copy_n(data, take, pending_.begin() + pendingSize_);
        pendingSize_ += take;
        data += take;
        size -= take;
        if (pendingSize_ < kBlockSize)
            return;
        Encipher(pending_.data(), kBlockSize);
        pendingSize_ = 0;
    }
    const size_t whole = size - size % kBlockSize;
    Encipher(data, whole);
    std::copy(data + whole, data + size, pending_.begin());
    pendingSize_ = size - whole;
    if (!out_.empty())
        sink_(out_.data(), out_.size());
}

void CbcEncryptor::Finish()
{
    const auto pad = static_cast<uint8_t>(kBlockSize - pendingSize_);
    std::fill(pending_.begin() + pendingSize_, pending_.end(), pad);
    out_.clear();
    Encipher(pending_.data(), kBlockSize);
    pendingSize_ = 0;
    sink_(out_.data(), out_.size());
}

void CbcEncryptor::Encipher(const uint8_t* data, size_t size)
{
    const size_t at = out_.size();
    out_.resize(at + size);
    cbc_encrypt(&key_, EncryptBlocks, kBlockSize, chain_.data(), size, out_.data() + at, data);
}

CbcDecryptor::CbcDecryptor(const blowfish_ctx& key, const Block& iv, ByteSink sink)
    : key_(key), chain_(iv), sink_(std::move(sink))
{
}

Block CbcDecryptor::DecipherBlock(const uint8_t* block)
{
    Block plain;
    cbc_decrypt(&key_, DecryptBlocks, kBlockSize, chain_.data(), kBlockSize, plain.data(), block);
    return plain;
}

void CbcDecryptor::Write(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const size_t held = holding_ ? kBlockSize : 0;
    out_.resize(held + size);
    std::copy_n(held_.begin(), held, out_.begin());
    cbc_decrypt(&key_, DecryptBlocks, kBlockSize, chain_.data(), size, out_.data() + held, data);
    const size_t ready = out_.size() - kBlockSize;
    std::copy_n(out_.begin() + static_cast<ptrdiff_t>(ready), kBlockSize, held_.begin());
    holding_ = true;
    if (ready > 0)
        sink_(out_.data(), ready);
}

void CbcDecryptor::Finish()
{
    const uint8_t pad = held_[kBlockSize - 1];
    const bool padOk = holding_ && pad >= 1 && pad <= kBlockSize &&
                       std::all_of(held_.end() - pad, held_.end(), [pad](uint8_t b) { return b == pad; });
    if (!padOk)
        throw CipherError(ErrorCode::Damaged, "the enciphered file is damaged (padding)");
    holding_ = false;
    if (pad < kBlockSize)
        sink_(held_.data(), kBlockSize - pad);
}

}  // namespace zemcipher
