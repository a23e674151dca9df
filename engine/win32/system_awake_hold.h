#pragma once

// Keeps Windows from going to sleep for as long as it lives: a playback holds one on its own
// thread, since the system counts only input, not sound, as activity. Windows ties the
// request to the calling thread, so it must be made and dropped on the playback thread.
class SystemAwakeHold {
  public:
    SystemAwakeHold();
    ~SystemAwakeHold();
    SystemAwakeHold(const SystemAwakeHold&) = delete;
    SystemAwakeHold& operator=(const SystemAwakeHold&) = delete;
};
