#include "QMFPlayer/qmxplaycfg/outputdevices.h"

#include "sound/soundsystem.h"

int COutputDevices::Count()
{
    zem::SoundSystem sound;
    return sound.DriverCount();
}

bool COutputDevices::Name(int index, std::string* name)
{
    zem::SoundSystem sound;
    *name = sound.DriverName(index);
    return !name->empty();
}
