#include "engine/linux/pulse_output_device.h"
#include "engine/output_device.h"
#include "engine/sdl_output_device.h"
#include "engine/signal_player.h"

// PulseAudio first (PipeWire serves it too). Only when no such server answers is SDL tried,
// for machines with ALSA alone; a named sink exists only on the server, so it has no fallback.
// When neither plays, the PulseAudio device is returned with its error: it keeps trying, so a
// server that comes up later is heard.
OpenResult openOutputDevice(const std::string& sink) {
    OpenResult pulse = openPulseOutputDevice(&onWaveOutDone, sink);
    if (pulse.error.empty() || !pulse.device || !sink.empty()) {
        return pulse;
    }
    OpenResult sdl = openSdlOutputDevice(&onWaveOutDone);
    if (sdl.device) {
        return sdl;
    }
    return pulse;
}

OpenResult openOutputDevice() {
    return openOutputDevice(std::string());
}
