#pragma once

// Ends the process at once with exit code 0. A playback may still be running: its thread and
// the audio callback use the player until the very end, so no static destructor may run
// (which exit() would do); the system reclaims the thread, the device and the memory.
[[noreturn]] void exitAtOnce();
