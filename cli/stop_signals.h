#pragma once

#include <chrono>

// The program's one way with signals: SIGINT, SIGTERM and SIGHUP only record that they came
// and wake the main thread, and the command ends cleanly at its next look. A stop signal the
// process inherited as ignored (nohup, a background job) stays ignored. SIGPIPE and SIGXFSZ
// are ignored, so that a closed pipe or a file size limit shows up as a failed write, not as
// death.
void watchStopSignals();

// The stop signal that arrived, or 0.
int stopSignal();

// Wakes waitForWake(): safe from a signal handler and from any thread.
void wake();
// Sleeps until wake() is called (a stop signal calls it) or `longest` has passed.
void waitForWake(std::chrono::milliseconds longest);

// Ends the process as the signal would have, once the command has cleaned up.
[[noreturn]] void dieOf(int signal);
