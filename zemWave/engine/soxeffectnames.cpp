#include "zemWave/engine/soxeffectnames.h"

#include <sox.h>

namespace {

bool IsNumber(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
}

// "avg" with no options averages down or duplicates up, as libsox's "channels" does; "-l" and
// "-r" keep one side; a list of gains is a mixing matrix, by output channel the gain of each
// input channel, which "remix" in manual mode (no volume adjustment of its own) takes as it is.
std::vector<std::string> FromAvg(const std::vector<std::string>& effect, unsigned inChannels,
                                 unsigned outChannels)
{
    const std::vector<std::string> options(effect.begin() + 1, effect.end());
    if (options.empty())
        return {"channels", std::to_string(outChannels)};
    if (options.size() == 1 && (options[0] == "-l" || options[0] == "-r"))
        return {"remix", options[0] == "-l" ? "1" : "2"};
    // Two gains name their outputs themselves: one input into two, or two into one.
    if (options.size() == 2 && inChannels == 1)
        return {"remix", "-m", "1v" + options[0], "1v" + options[1]};
    if (options.size() == 2 && inChannels == 2)
        return {"remix", "-m", "1v" + options[0] + ",2v" + options[1]};
    const unsigned outputs = inChannels ? static_cast<unsigned>(options.size()) / inChannels : 0;
    if (!outputs || outputs * inChannels != options.size())
        return {"remix", "--"};  // refused by remix: the run fails as with a bad avg list
    std::vector<std::string> remix{"remix", "-m"};
    for (unsigned o = 0; o < outputs; ++o) {
        std::string mix;
        for (unsigned i = 0; i < inChannels; ++i)
            mix += (i ? "," : "") + std::to_string(i + 1) + "v" + options[o * inChannels + i];
        remix.push_back(mix);
    }
    return remix;
}

// "filter [low]-[high] [window-length [beta]]": a windowed-sinc FIR band, low or high pass,
// which "sinc" builds from the same numbers; sinc writes a high pass without the dash.
std::vector<std::string> FromFilter(const std::vector<std::string>& effect)
{
    if (effect.size() < 2 || effect.size() > 4)
        return {"sinc", "--"};
    std::vector<std::string> sinc{"sinc"};
    if (effect.size() >= 3)
        sinc.insert(sinc.end(), {"-n", effect[2]});
    if (effect.size() == 4)
        sinc.insert(sinc.end(), {"-b", effect[3]});
    std::string band = effect[1];
    if (band.size() > 1 && band.back() == '-')
        band.pop_back();
    sinc.push_back(band);
    return sinc;
}

}  // namespace

const sox_effect_handler_t* FindOldEffect(const std::string& name)
{
    if (name == "avg")
        return sox_find_effect("remix");
    if (name == "filter")
        return sox_find_effect("sinc");
    return sox_find_effect(name.c_str());
}

std::vector<std::string> ToLibsoxEffect(const std::vector<std::string>& effect, unsigned inChannels,
                                        unsigned outChannels)
{
    if (effect.empty())
        return effect;
    if (effect[0] == "avg")
        return FromAvg(effect, inChannels, outChannels);
    if (effect[0] == "filter")
        return FromFilter(effect);
    // The old band filters took their width in Hz with a Butterworth response; libsox gives
    // that response for a width with the "b" suffix.
    if ((effect[0] == "bandreject" || effect[0] == "bandpass") && effect.size() == 3 && IsNumber(effect[2])) {
        std::vector<std::string> band = effect;
        band[2] += 'b';
        return band;
    }
    return effect;
}
