// The playback engine's classes: the engine core and its files.
#pragma once

#include "fmodengine.h"
#include "fmodfile.h"
