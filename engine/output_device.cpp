#include "output_device.h"

#include "signal_player.h"

const char* deviceErrorText(DeviceError error) {
    switch (error) {
        case DeviceError::BadDeviceId:
            return "Error: Specified device identifier is out of range.";
        case DeviceError::Allocated:
            return "Error: Specified resource is already allocated.";
        case DeviceError::NoDriver:
            return "Error: No device driver is present.";
        case DeviceError::NoMemory:
            return "Error: Unable to allocate or lock memory.";
        case DeviceError::BadFormat:
            return "Error: Attempted to open with an unsupported waveform-audio format.";
        case DeviceError::Synchronous:
            return "Error: The device is synchronous.";
        case DeviceError::Unknown:
            break;
    }
    return "Error: Unknown audio system error.";
}

// Runs on the audio thread (or on whichever thread flushed): it only wakes the playback.
void onWaveOutDone(OutputDevice* /*device*/, BlockHeader* /*header*/) {
    SignalPlayer& player = SignalPlayer::instance;
    if (player.playing.load() != 0) {
        player.wakeEvent.set();
    }
}
