// Linked with every object of the engine library and nothing else: it builds, starts and
// runs only if the engine needs no GUI library.

#include "engine/signal_player.h"

int main() {
    return SignalPlayer::instance.setToneFrequency(1000) ? 0 : 1;
}
