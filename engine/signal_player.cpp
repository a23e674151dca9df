#include "signal_player.h"

#include "clock.h"

// Constructed before main; lives until the process ends.
SignalPlayer SignalPlayer::instance;

Clock& SignalPlayer::clock() const {
    return clock_ != nullptr ? *clock_ : systemClock();
}
