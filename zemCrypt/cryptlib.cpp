#include "zemCrypt/cryptlib.h"

#include "cipher/blowfish.h"

#include <cstdint>

CCryptLib::CCryptLib()
{
    int v[4] = {};
    BF_GetVersion(&v[0], &v[1], &v[2], &v[3]);
    version_ = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
               std::to_string(v[3]);
}

void CCryptLib::SetKey(const std::string& key)
{
    key_ = key.substr(0, BF_MAX_KEY_LENGTH);
}

bool CCryptLib::EncipherFile(const std::string& source, const std::string& destination)
{
    Prepare();
    int32_t error = 0;
    return Finish(BF_Encipher_File(source.c_str(), destination.c_str(), &error));
}

bool CCryptLib::DecipherFile(const std::string& source, const std::string& destination)
{
    Prepare();
    int32_t error = 0;
    return Finish(BF_Decipher_File(source.c_str(), destination.c_str(), &error));
}

void CCryptLib::Prepare()
{
    BF_SetErrorLogFile(nullptr);
    BF_SetBlowfishKey(key_.c_str());
    BF_SetCrcChecker(crc ? 1 : 0);
    BF_SetCompression(compression ? 1 : 0);
    BF_InitializeKey();
}

bool CCryptLib::Finish(int result)
{
    if (result != 0)
        return true;
    char text[BF_ERROR_TEXT_SIZE] = {};
    BF_GetErrorString(text);
    lastError_ = text;
    return false;
}
