#pragma once

#include "arguments.h"

// Writes the render the arguments ask for and returns the process's exit code: 0, 2 when
// the output cannot be opened, 1 when writing or the playback fails on the way. Errors go
// to standard error as one line.
int runRender(const Arguments& arguments);
