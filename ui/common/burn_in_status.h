#pragma once

#include <cstdint>
#include <string>

#include "engine/burn_in_report.h"

// The one line that tells how a burn-in is going, in words: whether it plays, rests or has
// stopped, and for how long it was heard. The engine keeps the tally; the desktop front ends
// only show this line. It knows no toolkit.
class BurnInStatus {
  public:
    // "Playing 2:13:05", "Resting until 14:32 (2:13:05 played)", "Stopped after 2:13:05",
    // "No audio output (2:13:05 played)", or nothing before the first playback. The rest's
    // end is shown as the local clock time.
    static std::string format(const BurnInReport& report);
    // H:MM:SS, the hours as many as it takes.
    static std::string duration(std::uint64_t seconds);
    // A calendar second in local time, written as strftime() writes `format`.
    static std::string localTime(std::uint64_t second, const char* format);
};
