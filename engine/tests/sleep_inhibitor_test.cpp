// The sleep inhibitor, end to end: a playback holds logind's "sleep" lock from Play to Stop.
// logind is python3-dbusmock's template on a private bus that stands in for the system bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "engine/signal_player.h"
#include "engine/testing/child_process.h"
#include "engine/testing/test_services.h"

namespace {

// busctl's line for the inhibitors the mock holds, such as `a(ssssuu) 1 "sleep" ...`.
std::optional<std::string> inhibitors() {
    return runProgram({"busctl", "--system", "call", "org.freedesktop.login1",
                       "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                       "ListInhibitors"});
}

TEST(SleepInhibitor, IsHeldFromPlayToStop) {
    SKIP_OR_FAIL_UNLESS(runProgram({"/usr/bin/python3", "-c", "import dbusmock"}),
                        "python3-dbusmock");
    const std::string socket =
        std::filesystem::temp_directory_path() / ("vellumtone-bus-" + std::to_string(getpid()));
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
    ChildProcess bus(
        {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + socket});
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(socket); }));
    ChildProcess logind({"/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"});
    ASSERT_TRUE(eventually([] { return inhibitors() == "a(ssssuu) 0\n"; })) << "no mock logind";

    // Without a device the playback only waits for the Stop.
    SignalPlayer& player = SignalPlayer::instance;
    player.chooseGenerator(GeneratorKind::WhiteNoise);
    ASSERT_EQ(player.play(), PlayOutcome::Started);
    EXPECT_TRUE(eventually([] {
        return inhibitors().value_or("").find(
                   R"( 1 "sleep" "Vellumtone" "Burn-in playback" "block")") != std::string::npos;
    }));
    EXPECT_TRUE(player.stop());
    EXPECT_TRUE(eventually([&] {
        return player.playing.load() == 0 && inhibitors() == "a(ssssuu) 0\n";
    })) << "held after Stop";
}

}  // namespace
