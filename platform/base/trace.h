// Diagnostic trace: silent unless ZEM_TRACE is set ("1" or "stderr" for standard error,
// anything else names a file to append to). Each call writes one whole line.
#pragma once

namespace zem {

bool TraceEnabled();
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zem
