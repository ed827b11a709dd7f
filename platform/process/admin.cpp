#include "process/admin.h"

#include <unistd.h>

namespace zem {

bool IsAdministrator()
{
    return geteuid() == 0;
}

}  // namespace zem
