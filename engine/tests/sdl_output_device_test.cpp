// The fallback into SDL's disk driver, which writes at the pace of a sound card: the file
// holds the tone and exactly the frames the tally counts, and after Stop at most 100 ms more
// than it had counted when Stop was pressed (a large buffer would hold the sound on). In a
// rest the device's queue runs empty: the silence SDL plays then is not heard.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "engine/sdl_output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/sound_capture.h"

namespace {

TEST(SdlDevice, TalliesWhatTheFileHoldsNotTheSilenceOfARestAndStopsWithinABuffer) {
    SignalPlayer& player = SignalPlayer::instance;
    const std::string file = std::filesystem::temp_directory_path() / "vellumtone-sdl-disk.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    OpenResult opened = openSdlOutputDevice(&onWaveOutDone);
    ASSERT_NE(opened.device, nullptr) << opened.error;
    player.setDevice(opened.device.get());
    player.chooseGenerator(GeneratorKind::PureTone);
    ASSERT_EQ(player.play(), PlayOutcome::Started);
    EXPECT_TRUE(eventually([&player] { return player.burnIn().heardMs >= 500; }));
    const std::uint64_t heardAtStop = opened.device->heardFrames();
    EXPECT_TRUE(player.stop());
    ASSERT_TRUE(eventually([&player] { return player.playing.load() == 0; }));
    const std::uint64_t heard = opened.device->heardFrames();
    std::ifstream in(file, std::ios::binary);
    const auto written = sound(samplesOf({std::istreambuf_iterator<char>(in), {}}));
    EXPECT_TRUE(isSignal(written, {.kind = GeneratorKind::PureTone}));
    EXPECT_NEAR(written.size() / 2.0, heard, 2);
    EXPECT_LE(heard - heardAtStop, kSampleRate / 10) << "sound after the stop";

    // A rest from the first piece on: one second of tone, then nothing queued.
    player.enableRests(0, 1);
    ASSERT_EQ(player.play(), PlayOutcome::Started);
    EXPECT_TRUE(eventually([&player] { return player.burnIn().heardMs >= 1000; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(player.burnIn().heardMs, 1000U) << "silence counted as heard";
    EXPECT_TRUE(player.stop());
    ASSERT_TRUE(eventually([&player] { return player.playing.load() == 0; }));
    player.setDevice(nullptr);
    opened.device.reset();
    std::filesystem::remove(file);
}

}  // namespace
