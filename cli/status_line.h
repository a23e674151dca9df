#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/burn_in_report.h"

class SignalPlayer;

// What `play` shows on standard output. On a terminal that can take it, one line rewritten
// in place once a second and at every change, fitted to the terminal's width as it is now by
// shortening the label first, then the end of the line. Elsewhere (a pipe, a file, TERM=dumb)
// one plain time-stamped line per change of state, for a log. Nothing with --quiet, nor once
// standard output has gone (a closed pipe).
class StatusLine {
  public:
    // With a journal the total is shown; a target (milliseconds heard in all) or a duration
    // (seconds from now) of 0 is none.
    StatusLine(const SignalPlayer& player, bool quiet, bool journal, std::uint64_t targetMs,
               std::uint32_t durationSeconds);
    // `totalMs`: the journal's total, or this run's heard time.
    void show(const BurnInReport& report, std::uint64_t totalMs);

  private:
    std::string text(const BurnInReport& report, std::uint64_t totalMs) const;

    const SignalPlayer& player_;
    std::string label_;
    bool terminal_;
    bool journal_;
    std::uint64_t targetMs_;
    std::uint64_t durationEnd_;        // calendar seconds; 0: none
    bool quiet_;                       // also once standard output has gone
    std::optional<BurnInState> last_;  // none before the first line
};
