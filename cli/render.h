#pragma once

#include "arguments.h"

// Renders the signal into the output file and returns 0. Throws UsageError or
// std::runtime_error on failure, leaving no partial file; a stop signal abandons the file
// and ends the process by that signal.
int runRender(const Arguments& arguments);
