#pragma once

#include "arguments.h"

// Plays through the default output until the duration is over or a stop signal arrives, then
// stops the playback and returns 0. Throws std::runtime_error when the device cannot be
// opened or the playback cannot start.
int runPlay(const Arguments& arguments);
