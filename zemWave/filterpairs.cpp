#include "zemWave/filterpairs.h"

#include <algorithm>
#include <cctype>

FilterPairs FilterPairsOfGroup(const std::string& group)
{
    std::string lower = group;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return {lower.find("strecke") != std::string::npos, lower.find("zentrale") != std::string::npos};
}
