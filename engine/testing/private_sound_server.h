#pragma once

#include <memory>
#include <string>

#include "engine/testing/child_process.h"

// A PulseAudio daemon of the test's own, with one null sink named "nullout" as its default,
// in a temporary folder. Construction points this process's environment (and so every
// libpulse client it starts: the device, parec, pactl) at it; the daemon itself runs only
// between start() and kill(), so a test can take the server away and bring it back on the
// same socket. Nothing here touches any other server.
class PrivateSoundServer {
  public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the daemon and waits until it answers. False if it did not within 10 s.
    bool start();
    // Ends the daemon at once, as a crash would (SIGKILL), and waits for it.
    void kill();

  private:
    std::string folder_;
    std::unique_ptr<ChildProcess> daemon_;
};
