// The audio output devices the settings dialog lists: exactly the names of the sound layer's
// drivers, which the engine matches against SndDevName.
#pragma once

#include <string>

class COutputDevices {
public:
    virtual ~COutputDevices() = default;
    virtual int Count();
    // False when the device's name cannot be read.
    virtual bool Name(int index, std::string* name);
};
