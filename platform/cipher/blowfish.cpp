// The exported operations: they keep the process-wide settings and turn every failure inside
// into an error number and text, since no exception may cross into the caller.
#include "cipher/blowfish.h"

#include "cipher/ciphererror.h"
#include "cipher/cipherfile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

using zemcipher::CipherError;
using zemcipher::ErrorCode;

constexpr int kVersion[4] = {1, 0, 0, 0};

struct Settings {
    std::optional<std::string> logFile;
    std::string key;
    bool crc = false;
    bool compression = false;
    std::optional<blowfish_ctx> preparedKey;
    ErrorCode keyErrorCode = ErrorCode::NoKey;
    std::string keyError = "no key set";
    std::string lastError;
};

Settings& settings()
{
    static Settings instance;
    return instance;
}

void LogError(const std::string& text)
{
    const Settings& s = settings();
    if (!s.logFile)
        return;
    if (std::FILE* log = std::fopen(s.logFile->c_str(), "a")) {
        std::fprintf(log, "%s\n", text.c_str());
        std::fclose(log);
    }
}

template <typename Operation>
int RunFileOperation(int32_t* error, Operation operation)
{
    Settings& s = settings();
    ErrorCode code = ErrorCode::None;
    try {
        if (!s.preparedKey)
            throw CipherError(s.keyErrorCode, s.keyError);
        operation(*s.preparedKey);
    } catch (const CipherError& e) {
        code = e.code();
        s.lastError = e.what();
    } catch (const std::exception& e) {
        code = ErrorCode::Internal;
        s.lastError = std::string("internal error: ") + e.what();
    } catch (...) {
        code = ErrorCode::Internal;
        s.lastError = "internal error";
    }
    if (error)
        *error = static_cast<int32_t>(code);
    if (code == ErrorCode::None)
        return 1;
    LogError(s.lastError);
    return 0;
}

}  // namespace

extern "C" {

void BF_GetVersion(int* major, int* minor, int* release, int* build)
{
    int* parts[4] = {major, minor, release, build};
    for (int i = 0; i < 4; ++i) {
        if (parts[i])
            *parts[i] = kVersion[i];
    }
}

void BF_SetErrorLogFile(const char* path)
{
    settings().logFile = path ? std::optional<std::string>(path) : std::nullopt;
}

void BF_SetBlowfishKey(const char* key)
{
    Settings& s = settings();
    s.key = key ? std::string(key).substr(0, BF_MAX_KEY_LENGTH) : std::string();
    s.preparedKey.reset();
    s.keyErrorCode = ErrorCode::NoKey;
    s.keyError = "the key was not initialised";
}

void BF_SetCrcChecker(int on)
{
    settings().crc = on != 0;
}

void BF_SetCompression(int on)
{
    settings().compression = on != 0;
}

int BF_InitializeKey(void)
{
    Settings& s = settings();
    s.preparedKey.reset();
    if (s.key.empty()) {
        s.keyErrorCode = ErrorCode::NoKey;
        s.keyError = "no key set";
        return 0;
    }
    blowfish_ctx ctx;
    if (!blowfish_set_key(&ctx, s.key.size(), reinterpret_cast<const uint8_t*>(s.key.data()))) {
        s.keyErrorCode = ErrorCode::WeakKey;
        s.keyError = "the key is weak for Blowfish; choose another key";
        return 0;
    }
    s.preparedKey = ctx;
    return 1;
}

int BF_Encipher_File(const char* source, const char* destination, int32_t* error)
{
    const Settings& s = settings();
    return RunFileOperation(error, [&](const blowfish_ctx& key) {
        zemcipher::EncipherFile(key, {s.crc, s.compression}, source ? source : "",
                                destination ? destination : "");
    });
}

int BF_Decipher_File(const char* source, const char* destination, int32_t* error)
{
    const Settings& s = settings();
    return RunFileOperation(error, [&](const blowfish_ctx& key) {
        zemcipher::DecipherFile(key, s.crc, source ? source : "", destination ? destination : "");
    });
}

void BF_GetErrorString(char* buffer)
{
    if (!buffer)
        return;
    const std::string& text = settings().lastError;
    const size_t size = std::min(text.size(), size_t{BF_ERROR_TEXT_SIZE - 1});
    std::memcpy(buffer, text.data(), size);
    buffer[size] = '\0';
}

}  // extern "C"
