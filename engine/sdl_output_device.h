#pragma once

#include <string_view>

#include "output_device.h"

// SDL reports why the audio system or the device would not open only as text. This maps that
// text onto the reason the user is told. initFailed says whether it was the audio system
// itself (SDL_InitSubSystem) that failed rather than the opening of the device.
DeviceError deviceErrorFromSdl(std::string_view sdlMessage, bool initFailed);

// Opens the default output like openOutputDevice, reporting completions to `done`.
OpenResult openSdlOutputDevice(CompletionCallback done);

// Frames in each of the buffers SDL asks the device's callback to fill.
inline constexpr unsigned kDeviceBufferFrames = 4096;
