// The control module's registration data for the programs that register it without calling
// it: the per-user registration script (regrgs.exe, parameter MODPATH) and the two registry
// files (regedit.exe) that mark the controls safe and let local pages use them. All three
// are written from the module's own table, so they name the classes it registers itself.
#pragma once

#include <string>

namespace zemwave {

// File names the programs give them.
inline constexpr char kUserScriptName[] = "zemwave_hkcu.rgs";
inline constexpr char kUserRegFileName[] = "missingregentries_zemwaveocx_hkcu.reg";
inline constexpr char kMachineRegFileName[] = "missingregentries_zemwaveocx_hklm.reg";

// Below HKCU\Software\Classes: the controls' ProgIDs, the six classes, the dispatch
// interfaces and the type library, each server "%MODPATH%\zemwave.ocx". Unlike
// self-registration it gives each control's server ThreadingModel "Apartment".
std::string UserRegistrationScript();

// REGEDIT4 text for the current user (HKCU) or for all users (HKLM and the classes root).
std::string MissingEntriesRegFile(bool machine);

}  // namespace zemwave
