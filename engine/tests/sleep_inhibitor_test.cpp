// The sleep inhibitor, end to end: a playback holds logind's "sleep" lock from Play to Stop.
// logind is python3-dbusmock's template on a private bus that stands in for the system bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/signal_player.h"
#include "engine/testing/test_output_device.h"

namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;

SignalPlayer& player = SignalPlayer::instance;

bool eventually(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

pid_t spawnShell(const std::string& command) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// "what|who|why|mode" of every inhibitor the mock holds; nothing when it does not answer.
std::optional<std::vector<std::string>> inhibitors() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        return std::nullopt;
    }
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    std::optional<std::vector<std::string>> found;
    if (sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", "ListInhibitors", &error, &reply,
                           "") >= 0 &&
        sd_bus_message_enter_container(reply, 'a', "(ssssuu)") >= 0) {
        found.emplace();
        const char* field[4] = {};
        std::uint32_t uid = 0;
        std::uint32_t pid = 0;
        while (sd_bus_message_read(reply, "(ssssuu)", &field[0], &field[1], &field[2], &field[3],
                                   &uid, &pid) > 0) {
            found->push_back(std::string(field[0]) + "|" + field[1] + "|" + field[2] + "|" +
                             field[3]);
        }
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return found;
}

class SleepInhibitorTest : public testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v dbus-daemon >/dev/null && /usr/bin/python3 -c "
                        "'import dbusmock' 2>/dev/null") != 0) {
            const char* required = std::getenv("VELLUMTONE_REQUIRE_SERVICES");
            if (required != nullptr && std::string(required) == "1") {
                FAIL() << "dbus-daemon and python3-dbusmock are needed";
            }
            GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
        }
        folder_ =
            std::filesystem::temp_directory_path() / ("vellumtone-bus-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        const std::string address = "unix:path=" + folder_ + "/system_bus";
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        bus_ = spawnShell("exec dbus-daemon --session --nofork --nopidfile --address=" + address);
        ASSERT_TRUE(eventually([&] { return std::filesystem::exists(folder_ + "/system_bus"); }));
        logind_ = spawnShell(
            "exec /usr/bin/python3 -m dbusmock --system --template logind >/dev/null 2>&1");
        ASSERT_TRUE(eventually([] { return inhibitors().has_value(); })) << "no mock logind";
    }
    void TearDown() override {
        player.setDevice(nullptr);
        player.setEndNotice(nullptr);
        for (pid_t pid : {logind_, bus_}) {
            if (pid > 0) {
                kill(pid, SIGTERM);
                waitpid(pid, nullptr, 0);
            }
        }
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string folder_;
    pid_t bus_ = 0;
    pid_t logind_ = 0;
};

TEST_F(SleepInhibitorTest, IsHeldFromPlayToStop) {
    TestOutputDevice device;
    player.setDevice(&device);
    player.chooseGenerator(GeneratorKind::WhiteNoise);
    EXPECT_THAT(inhibitors(), testing::Optional(IsEmpty()));

    auto ended = std::make_shared<std::promise<PlaybackEnd>>();
    player.setEndNotice([ended](PlaybackEnd how) { ended->set_value(how); });
    ASSERT_EQ(player.play(), PlayOutcome::Started);
    EXPECT_TRUE(eventually([] { return inhibitors() && !inhibitors()->empty(); }));
    EXPECT_THAT(inhibitors(),
                testing::Optional(ElementsAre("sleep|Vellumtone|Burn-in playback|block")));

    EXPECT_TRUE(player.stop());
    ASSERT_EQ(ended->get_future().wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(eventually([] { return inhibitors() && inhibitors()->empty(); }))
        << "still held after Stop";
}

}  // namespace
