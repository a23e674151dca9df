#include "render.h"

#include <stdexcept>

#include "audio_file.h"
#include "engine/clock.h"
#include "engine/signal_format.h"
#include "engine/signal_render.h"
#include "stop_signals.h"

int runRender(const Arguments& arguments) {
    const std::uint64_t totalFrames = renderFrames(*arguments.durationSeconds);
    // The largest data chunk a WAV file can describe: its RIFF size field must hold it plus
    // the 36 bytes of header that follow that field.
    if (arguments.format == FileFormat::Wav && totalFrames * kBytesPerFrame > 0xFFFFFFFFULL - 36) {
        throw UsageError("--duration " + std::to_string(*arguments.durationSeconds) +
                         " is too long for a WAV file (4 GB at most); use flac or raw");
    }
    AudioFile file(arguments.output, arguments.format, totalFrames);
    // A failed write or a stop signal ends it: nothing more is written.
    const PlaybackEnd end = renderSignal(
        arguments.seed ? *arguments.seed : static_cast<std::uint32_t>(systemClock().now()),
        totalFrames, [&file](const std::int16_t* frames, std::uint64_t count) {
            return stopSignal() == 0 && file.write(frames, count);
        });
    if (stopSignal() != 0) {
        file.abandon();
        dieOf(stopSignal());
    }
    if (end == PlaybackEnd::OutOfMemory) {
        throw std::runtime_error("not enough memory for the blocks of this signal");
    }
    file.commit();
    return 0;
}
