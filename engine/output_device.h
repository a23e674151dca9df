#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "signal_format.h"

// Flag bits of a block header, with the values the wave-header flags have on Windows.
enum BlockFlag : std::uint32_t {
    kBlockDone = 0x01,      // the device has finished with the block (played or flushed)
    kBlockPrepared = 0x02,  // prepared for the device
    kBlockBeginLoop = 0x04,
    kBlockEndLoop = 0x08,
    kBlockQueued = 0x10,  // held by the device: queued and not yet done
};

// Describes one block of interleaved frames to the device. The playback writes every field
// but the flags' done and queued bits, which the device owns while it holds the block.
struct BlockHeader {
    std::int16_t* data = nullptr;
    std::uint32_t length = 0;  // bytes
    std::atomic<std::uint32_t> flags{0};
    std::uint32_t loops = 0;
};

class OutputDevice;

// Called once for every block that finished playing or was handed back by a flush, on
// whatever thread noticed it (the audio thread, or the one that called flush).
using CompletionCallback = void (*)(OutputDevice* device, BlockHeader* header);

class OutputDevice {
  public:
    virtual ~OutputDevice() = default;
    virtual void prepare(BlockHeader& header) = 0;
    virtual void unprepare(BlockHeader& header) = 0;
    // Plays the block after those already queued. The header and its data must stay valid
    // until the block's completion has been reported.
    virtual void queue(BlockHeader& header) = 0;
    // Stops output at once and hands back every queued block, reporting each as done.
    virtual void flush() = 0;
    // False while the device has no way to the speakers (the sound server went away); it
    // still completes blocks at real-time pace then, and plays again once the way is back.
    virtual bool available() const { return true; }
    // Frames this device has played to the speakers since it was opened: what a listener
    // heard. Frames paced while the device had no output, dropped by a flush, or still on
    // their way to the speakers do not count. Never decreases, but for the last
    // stretch before a sound server vanished, a guess that may be corrected down once.
    virtual std::uint64_t heardFrames() const { return 0; }
    // Frames handed to the device and neither heard nor dropped yet: how far the queued sound
    // runs ahead of the speakers.
    virtual std::uint64_t pendingFrames() const { return 0; }
};

// Why opening the device failed; each has its own message for the user.
enum class DeviceError {
    BadDeviceId,
    Allocated,
    NoDriver,
    NoMemory,
    BadFormat,
    Synchronous,
    Unknown,
};

const char* deviceErrorText(DeviceError error);

struct OpenResult {
    std::unique_ptr<OutputDevice> device;  // null when opening failed
    std::string error;                     // the message for the user when it failed
    std::string reason;  // on Linux, what was tried and why it failed, for a terminal or a log
};

// Opens the system's default audio output in the one stream format, reporting completions
// to onWaveOutDone. It may return a device together with an error: the device could not
// reach any output yet (available() is false) and keeps trying in the background. On Linux,
// what the sound libraries print on standard error meanwhile is dropped.
OpenResult openOutputDevice();
// Linux only: the same, on the PulseAudio sink of that name alone, with no other fallback.
OpenResult openOutputDevice(const std::string& sink);
