// The system's 23-character timestamp text "YYYY-MM-DD hh:mm:ss.mmm": normalising text of
// any length into that shape and reading it as a local calendar time.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// Pads with zeros or cuts to 23 characters and puts the separators in place, whatever
// stood there: "2003-07-15T12" becomes "2003-07-15 12:00:00.000". Always true.
bool NormalizeTimestamp(std::string& text);

// Reads year (1970-2038), month, day (1-31), hour (0-24), minute and second (0-59) of the
// normalised text as local time; hour 24 rolls into the next day, milliseconds are ignored.
// False on the first field out of range, with out unchanged.
bool ParseTimestamp(const std::string& text, std::time_t& out);

// ParseTimestamp as 32-bit seconds since 1970 UTC. False (out 0) when it fails or the
// time does not fit 32 bits.
bool ParseTimestampToTime(const std::string& text, int32_t& out);
