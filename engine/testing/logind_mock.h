#pragma once
// The sleep lock as the mock logind of the real-audio tests sees it (python3-dbusmock's
// template, on the private system bus that scripts/services.sh starts).
#include <sys/types.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/testing/child_process.h"
#include "engine/testing/test_services.h"

// Whether logind lists the lock a playback takes against sleep.
inline bool sleepLocked() {
    const auto listed =
        runProgram({"busctl", "--system", "call", "org.freedesktop.login1",
                    "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListInhibitors"});
    return listed &&
           listed->find(R"( "sleep" "Vellumtone" "Burn-in playback" "block")") != std::string::npos;
}

// Ends the mock logind as an upgrade of systemd would, and starts another on the same bus.
inline std::unique_ptr<ChildProcess> restartLogind() {
    const auto owner = runProgram({"busctl", "--system", "call", "org.freedesktop.DBus",
                                   "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "GetConnectionUnixProcessID", "s", "org.freedesktop.login1"});
    const pid_t pid = owner ? std::atoi(owner->c_str() + 2) : 0;  // "u 1234"
    EXPECT_TRUE(pid > 0 && kill(pid, SIGTERM) == 0);
    EXPECT_TRUE(eventually([] {
        return !runProgram({"busctl", "--system", "status", "org.freedesktop.login1"});
    }));
    return std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"});
}
