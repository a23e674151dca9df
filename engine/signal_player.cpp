#include "signal_player.h"

// Constructed before main; lives until the process ends.
SignalPlayer SignalPlayer::instance;
