#include "cipher/zlibstream.h"

#include "cipher/ciphererror.h"

#include <string>

namespace zemcipher {
namespace {

constexpr size_t kOutPiece = 256 * 1024;

[[noreturn]] void ThrowZlib(const z_stream& stream, int result)
{
    const std::string text = stream.msg ? stream.msg : zError(result);
    if (result == Z_DATA_ERROR || result == Z_NEED_DICT)
        throw CipherError(ErrorCode::Damaged, "the enciphered file is damaged (" + text + ")");
    throw CipherError(ErrorCode::Compression, "compression failed: " + text);
}

}  // namespace

Deflater::Deflater(ByteSink sink) : out_(kOutPiece), sink_(std::move(sink))
{
    if (const int result = deflateInit(&stream_, Z_DEFAULT_COMPRESSION); result != Z_OK)
        ThrowZlib(stream_, result);
}

Deflater::~Deflater()
{
    deflateEnd(&stream_);
}

void Deflater::Write(const uint8_t* data, size_t size)
{
    stream_.next_in = const_cast<Bytef*>(data);  // zlib never writes through next_in
    stream_.avail_in = static_cast<uInt>(size);
    Run(Z_NO_FLUSH);
}

void Deflater::Finish()
{
    Run(Z_FINISH);
}

void Deflater::Run(int flush)
{
    int result = Z_OK;
    do {
        stream_.next_out = out_.data();
        stream_.avail_out = static_cast<uInt>(out_.size());
        result = deflate(&stream_, flush);
        if (result == Z_STREAM_ERROR)
            ThrowZlib(stream_, result);
        const size_t produced = out_.size() - stream_.avail_out;
        if (produced > 0)
            sink_(out_.data(), produced);
    } while (stream_.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
}

Inflater::Inflater(ByteSink sink) : out_(kOutPiece), sink_(std::move(sink))
{
    if (const int result = inflateInit(&stream_); result != Z_OK)
        ThrowZlib(stream_, result);
}

Inflater::~Inflater()
{
    inflateEnd(&stream_);
}

void Inflater::Write(const uint8_t* data, size_t size)
{
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
        if (ended_ && stream_.avail_in > 0)
            throw CipherError(ErrorCode::Damaged, "the enciphered file is damaged (data after the end)");
        if (ended_)
            return;
        stream_.next_out = out_.data();
        stream_.avail_out = static_cast<uInt>(out_.size());
        const int result = inflate(&stream_, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            ended_ = true;
        else if (result != Z_OK && result != Z_BUF_ERROR)
            ThrowZlib(stream_, result);
        const size_t produced = out_.size() - stream_.avail_out;
        if (produced > 0)
            sink_(out_.data(), produced);
        // A full output piece may leave more output inside zlib: go round again.
        if (result == Z_BUF_ERROR || (stream_.avail_in == 0 && stream_.avail_out > 0))
            return;
    }
}

void Inflater::Finish()
{
    if (!ended_)
        throw CipherError(ErrorCode::Damaged, "the enciphered file is damaged (compressed data ends early)");
}

}  // namespace zemcipher
