// The system's texts are Latin-1. Where one goes to a terminal or to a log a person reads
// (standard output and error), it is converted to UTF-8 when the environment's locale says
// the terminal uses UTF-8. Files the system writes keep their bytes and never pass here.
#pragma once

#include <string>
#include <string_view>

namespace zem {

// True when the first of LC_ALL, LC_CTYPE and LANG that is set names the UTF-8 codeset.
bool ConsoleIsUtf8();

// The Latin-1 text as the console shows it: UTF-8 under a UTF-8 locale, else unchanged.
std::string ConsoleText(std::string_view latin1);

}  // namespace zem
