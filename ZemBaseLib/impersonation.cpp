#include "ZemBaseLib/impersonation.h"

#include "base/trace.h"

#include <cerrno>

uint32_t ImpersonateUser(const std::string& user, uint32_t, const std::string&)
{
    zem::Trace("ImpersonateUser: cannot act as user \"%s\": a process cannot take on another "
               "user's identity on this system",
               user.c_str());
    errno = ENOSYS;
    return kErrorCallNotImplemented;
}
