// Effects of the old sox command line that libsox 14 names or parameterises differently. The
// runner keeps the command line as callers write it and translates each effect here, just
// before it enters the chain. docs/effects.md lists every translation.
#pragma once

#include <string>
#include <vector>

struct sox_effect_handler_t;

// The libsox handler that runs the effect called `name` on the old command line; null for an
// unknown name.
const sox_effect_handler_t* FindOldEffect(const std::string& name);

// The effect (name, then its options) in libsox 14's words, for a signal of inChannels
// channels that the output wants as outChannels.
std::vector<std::string> ToLibsoxEffect(const std::vector<std::string>& effect, unsigned inChannels,
                                        unsigned outChannels);
