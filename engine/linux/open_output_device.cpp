#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "engine/linux/pulse_output_device.h"
#include "engine/linux/pulse_sink_list.h"
#include "engine/output_device.h"
#include "engine/sdl_output_device.h"
#include "engine/signal_player.h"

namespace {

// PulseAudio first (PipeWire serves it too). Only when no such server answers is SDL tried,
// for machines with ALSA alone; a named sink exists only on the server, so it has no fallback.
// When neither plays, the PulseAudio device is returned with its error: it keeps trying, so a
// server that comes up later is heard.
OpenResult openPulseOrSdl(const std::string& sink) {
    OpenResult pulse = openPulseOutputDevice(&onWaveOutDone, sink);
    if (pulse.error.empty() || !pulse.device) {
        return pulse;
    }
    pulse.reason = kNoSoundServer;
    if (!sink.empty()) {
        return pulse;
    }
    OpenResult sdl = openSdlOutputDevice(&onWaveOutDone);
    if (sdl.device) {
        return sdl;
    }
    pulse.reason += "; ALSA fallback: " + sdl.reason;
    return pulse;
}

}  // namespace

// The sound libraries write their failed attempts (ALSA's configuration errors above all) to
// standard error while they look for an output: it is silenced meanwhile, so that the one
// message that matters, the result's, is all the user sees.
OpenResult openOutputDevice(const std::string& sink) {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    dup2(null, STDERR_FILENO);
    OpenResult opened = openPulseOrSdl(sink);
    dup2(saved, STDERR_FILENO);
    close(null);
    close(saved);
    return opened;
}

OpenResult openOutputDevice() {
    return openOutputDevice(std::string());
}
