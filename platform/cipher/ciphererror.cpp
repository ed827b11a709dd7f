#include "cipher/ciphererror.h"

#include <cstring>

namespace zemcipher {

void ThrowFileError(ErrorCode code, const char* what, const std::string& path, int err)
{
    throw CipherError(code, std::string(what) + " \"" + path + "\": " + std::strerror(err));
}

}  // namespace zemcipher
