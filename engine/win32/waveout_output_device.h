#pragma once

#include <cstdint>

#include "engine/output_device.h"

// The reason the user is told for a result code of waveOutOpen.
DeviceError deviceErrorFromWaveOut(std::uint32_t result);

// Opens the system's default wave output (the wave mapper) like openOutputDevice, reporting
// completions to `done`.
OpenResult openWaveOutDevice(CompletionCallback done);
