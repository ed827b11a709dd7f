#include "zemWave/engine/soxbuilders.h"

#include <cstdio>
#include <vector>

namespace {

std::string Fixed2(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

int RunInMemory(const std::vector<std::string>& args, int inputCount, SoxBuffer first, SoxBuffer second,
                SoxResult& out)
{
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return SoxMain(static_cast<int>(argv.size()), argv.data(), inputCount, kSoxIoMemory, first.data,
                   first.length, second.data, second.length, &out.data, &out.length);
}

int RunOne(const std::vector<std::string>& args, SoxBuffer in, SoxResult& out)
{
    return RunInMemory(args, 1, in, {}, out);
}

}  // namespace

int SoxVolume(double factor, const std::string& type, SoxBuffer in, SoxResult& out)
{
    char volume[32];
    std::snprintf(volume, sizeof volume, "%g", factor);
    return RunOne({"sox", "-v", volume, "dummyin." + type, "dummyout." + type}, in, out);
}

int SoxFilter(const std::string& spec, const std::string& type, SoxBuffer in, SoxResult& out)
{
    return RunOne({"sox", "dummyin." + type, "dummyout." + type, "filter", spec}, in, out);
}

int SoxMixTwo(const std::string& type, SoxBuffer first, SoxBuffer second, SoxResult& out)
{
    return RunInMemory({"sox", "dummyin1." + type, "dummyin2." + type, "dummyout." + type}, 2, first,
                       second, out);
}

int SoxMonoToStereo(double leftGain, double rightGain, const std::string& type, SoxBuffer in, SoxResult& out)
{
    return RunOne({"sox", "dummyin." + type, "-c 2", "dummyout." + type, "avg", Fixed2(leftGain),
                   Fixed2(rightGain)},
                  in, out);
}

int SoxStereoToMono(double leftGain, double rightGain, const std::string& type, SoxBuffer in, SoxResult& out)
{
    return RunOne({"sox", "dummyin." + type, "-c 1", "dummyout." + type, "avg", Fixed2(leftGain),
                   Fixed2(rightGain)},
                  in, out);
}

int SoxBandRejectTyped(int centreHz, int widthHz, const std::string& type, SoxBuffer in, SoxResult& out)
{
    return RunOne({"sox", "-u", "dummyin." + type, "-u", "dummyout." + type, "bandreject",
                   std::to_string(centreHz), std::to_string(widthHz)},
                  in, out);
}

int SoxResampleTo(int rate, SoxWavRecord& record)
{
    const std::string encoding = SoxEncodingOption(record);
    return SoxRunOnRecord({"sox", encoding, "dummyin.wav", encoding, "-r " + std::to_string(rate), "dummyout.wav"},
                          record);
}

int SoxStretch(const std::string& factor, SoxWavRecord& record)
{
    const std::string encoding = SoxEncodingOption(record);
    return SoxRunOnRecord({"sox", encoding, "dummyin.wav", encoding, "dummyout.wav", "stretch", factor}, record);
}
