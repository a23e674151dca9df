// The sleep inhibitor on Windows: the system stays awake while the playback thread asks for
// it, since Windows counts only input, not sound, as activity.
#include "engine/sleep_inhibitor.h"

#include <windows.h>

void SleepInhibitor::acquire() {
    if (handle_ < 0 && SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) {
        handle_ = 1;
    }
}

void SleepInhibitor::release() {
    if (handle_ >= 0) {
        SetThreadExecutionState(ES_CONTINUOUS);
        handle_ = -1;
    }
}
