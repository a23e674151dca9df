#pragma once

#include "arguments.h"

// Plays through the default output until the duration is over or SIGINT, SIGTERM or SIGHUP
// arrives, then stops the playback through its own stop request and returns 0; returns 1
// when the device cannot be opened or the playback cannot start.
int runPlay(const Arguments& arguments);
