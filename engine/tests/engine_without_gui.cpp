// Linked with every object of the engine library and nothing else: it builds, starts and
// runs only if the engine needs no GUI library.

#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "ui/common/number_text.h"

int main() {
    // Reach into each part of the engine, so that the program is more than an empty shell.
    OpenResult (*open)() = &openOutputDevice;
    const bool reachable = open != nullptr && SignalPlayer::instance.setToneFrequency(1000);
    return reachable && SignalPlayer::instance.generator.load() == GeneratorKind::None ? 0 : 1;
}
