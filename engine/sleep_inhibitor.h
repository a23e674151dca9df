#pragma once

#include <thread>

// Keeps the machine from suspending while a playback runs: a burn-in must not end because a
// laptop went to sleep. Each platform implements it in its own file; where the system offers
// no way to do it, it does nothing and says nothing, and the playback goes on regardless.
class SleepInhibitor {
  public:
    SleepInhibitor() = default;
    ~SleepInhibitor() { release(); }

    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Takes the inhibitor, unless it is held already. Called on the playback's thread.
    void acquire();
    // Lets it go, if held; on the thread that acquired it.
    void release();

  private:
    // What the platform hands out for a held inhibitor (on Linux the file descriptor logind
    // returns), or -1 when none is held. While watch_ runs, only watch_ touches it.
    int handle_ = -1;
    // On Linux: takes the lock again whenever logind comes back, since a restarted logind has
    // forgotten every lock; it ends when wakeup_ (an eventfd) is written.
    std::thread watch_;
    int wakeup_ = -1;
};
