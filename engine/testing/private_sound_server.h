#pragma once

#include <sys/types.h>

#include <string>

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

    // Whether the daemon can be run here at all.
    static bool installed();

    // Starts the daemon and waits until it answers. False if it did not within 10 s.
    bool start();
    // Ends the daemon at once, as a crash would (SIGKILL), and waits for it.
    void kill();
    // Runs `pactl ARGUMENTS` against the server the environment names; true when it succeeded.
    static bool pactl(const std::string& arguments);

  private:
    std::string folder_;
    pid_t pid_ = 0;
};
