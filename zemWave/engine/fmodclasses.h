// The playback engine's classes: the engine core and its files.
#pragma once

#include "zemWave/engine/fmodengine.h"
#include "zemWave/engine/fmodfile.h"
