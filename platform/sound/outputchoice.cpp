#include "sound/output.h"

#include "base/trace.h"

#include <cstdlib>
#include <cstring>

namespace zem {

OutputChoice OutputChoice::Device(bool fallBackToNull)
{
    OutputChoice choice;
    choice.kind = Kind::Device;
    choice.fallBackToNull = fallBackToNull;
    return choice;
}

OutputChoice OutputChoice::Null(Clock* clock)
{
    OutputChoice choice;
    choice.kind = Kind::Null;
    choice.clock = clock;
    return choice;
}

OutputChoice OutputChoice::Wav(std::string path, Clock* clock)
{
    OutputChoice choice;
    choice.kind = Kind::Wav;
    choice.path = std::move(path);
    choice.clock = clock;
    return choice;
}

OutputChoice OutputChoice::FromEnvironment()
{
    const char* value = std::getenv("ZEM_AUDIO");
    if (!value || !*value || std::strcmp(value, "device") == 0)
        return Device(true);
    if (std::strcmp(value, "null") == 0)
        return Null();
    if (std::strncmp(value, "wav:", 4) == 0 && value[4])
        return Wav(value + 4);
    Trace("sound: ZEM_AUDIO='%s' is not device, null or wav:PATH; using device", value);
    return Device(true);
}

std::unique_ptr<Output> MakeOutput(const OutputChoice& choice)
{
    Clock& clock = choice.clock ? *choice.clock : Clock::Steady();
    switch (choice.kind) {
    case OutputChoice::Kind::Null:
        return MakeNullOutput(clock);
    case OutputChoice::Kind::Wav:
        return MakeWavOutput(choice.path, clock);
    case OutputChoice::Kind::Device:
        break;
    }
    return MakeDeviceOutput(choice.onlyRate);
}

}  // namespace zem
