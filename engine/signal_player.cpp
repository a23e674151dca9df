#include "signal_player.h"

#include "clock.h"
#include "output_device.h"

// Constructed before main; lives until the process ends.
SignalPlayer SignalPlayer::instance;

Clock& SignalPlayer::clock() const {
    return clock_ != nullptr ? *clock_ : systemClock();
}

bool SignalPlayer::outputAvailable() const {
    const OutputDevice* current = device.load();
    return current == nullptr || current->available();
}
