#pragma once

#include "arguments.h"

// Plays through the chosen output until the duration is over, the target is heard or a stop
// signal arrives, then stops the playback and returns 0 (1 when the journal could not be
// saved at the end). Throws std::runtime_error when the journal or the device cannot be
// opened or the playback cannot start.
int runPlay(const Arguments& arguments);

// Prints the outputs `--device` can name, the default marked; returns the exit code.
int listDevices();
