#include "engine/win32/system_awake_hold.h"

#include <windows.h>

SystemAwakeHold::SystemAwakeHold() {
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

SystemAwakeHold::~SystemAwakeHold() {
    SetThreadExecutionState(ES_CONTINUOUS);
}
