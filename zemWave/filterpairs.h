// The engine's first four filters come in two pairs: slots 0 and 1 filter the line's tones,
// slots 2 and 3 the control centre's. A recording's channel group says which pair fits it.
#pragma once

#include <string>

inline constexpr int kLineFilterSlot = 0;
inline constexpr int kCentreFilterSlot = 2;

struct FilterPairs {
    bool line = false;    // the group's name contains "strecke"
    bool centre = false;  // it contains "zentrale"
};

// Names are compared without regard to case; a name may fit both pairs.
FilterPairs FilterPairsOfGroup(const std::string& group);
