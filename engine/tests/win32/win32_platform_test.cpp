// What the Windows platform layer adds: the playback's event as a kernel object others can
// open by name, and the user's words for each way waveOut can refuse to open.

#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <mmsystem.h>
// clang-format on

#include <string>

#include "engine/signal_player.h"
#include "engine/win32/waveout_output_device.h"

namespace {

TEST(PlaybackEvent, IsTheNamedKernelEventOtherProcessesOpen) {
    HANDLE opened = OpenEventA(EVENT_MODIFY_STATE, FALSE, AutoResetEvent::kPlaybackEventName);
    ASSERT_NE(opened, nullptr) << "no event named " << AutoResetEvent::kPlaybackEventName;
    // Setting it through the other handle must signal the player's own event.
    SetEvent(opened);
    EXPECT_TRUE(SignalPlayer::instance.wakeEvent.tryWait());
    EXPECT_FALSE(SignalPlayer::instance.wakeEvent.tryWait()) << "not auto-reset";
    CloseHandle(opened);
}

TEST(PlaybackEvent, ASecondEventOfTheSameNameDoesNotShareTheFirstOnesWakeUps) {
    AutoResetEvent second(AutoResetEvent::kPlaybackEventName);
    second.set();
    EXPECT_FALSE(SignalPlayer::instance.wakeEvent.tryWait());
    EXPECT_TRUE(second.tryWait());
}

TEST(WaveOutOpen, EachResultCodeGivesItsMessage) {
    const std::pair<std::uint32_t, std::string> rows[] = {
        {MMSYSERR_BADDEVICEID, "Error: Specified device identifier is out of range."},
        {MMSYSERR_ALLOCATED, "Error: Specified resource is already allocated."},
        {MMSYSERR_NODRIVER, "Error: No device driver is present."},
        {MMSYSERR_NOMEM, "Error: Unable to allocate or lock memory."},
        {WAVERR_BADFORMAT, "Error: Attempted to open with an unsupported waveform-audio format."},
        {WAVERR_SYNC, "Error: The device is synchronous."},
        {MMSYSERR_ERROR, "Error: Unknown audio system error."},
        {MMSYSERR_INVALPARAM, "Error: Unknown audio system error."},
    };
    for (const auto& [code, text] : rows) {
        EXPECT_EQ(deviceErrorText(deviceErrorFromWaveOut(code)), text) << "result " << code;
    }
}

}  // namespace
