// Whether the caller may change what belongs to every user (the Administrators group's role).
#pragma once

namespace zem {

// True when the effective user id is 0.
bool IsAdministrator();

}  // namespace zem
