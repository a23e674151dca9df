#pragma once

#include <string_view>

#include "output_device.h"

// SDL reports why the audio system or the device would not open only as text. This maps that
// text onto the reason the user is told. initFailed says whether it was the audio system
// itself (SDL_InitSubSystem) that failed rather than the opening of the device.
DeviceError deviceErrorFromSdl(std::string_view sdlMessage, bool initFailed);

// Opens the default output like openOutputDevice, reporting completions to `done`.
OpenResult openSdlOutputDevice(CompletionCallback done);

// Frames in each buffer SDL asks the device's callback to fill: about 70 ms. SDL's PulseAudio
// driver has the server hold as much again, so what a flush cannot take back is at most about
// 140 ms of sound. Larger buffers wake the process less often (4096 frames: about a third
// fewer context switches) but let a stop be heard up to 160 ms late.
inline constexpr unsigned kDeviceBufferFrames = 3072;
