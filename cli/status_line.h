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
    // The times that go with the engine's report, in calendar seconds and milliseconds heard.
    struct Progress {
        std::uint64_t totalMs = 0;                 // the journal's total, or this run's heard time
        bool journal = false;                      // whether the total is a journal's
        std::optional<std::uint64_t> targetMs;     // --target
        std::optional<std::uint64_t> durationEnd;  // --duration: when it stops
    };

    StatusLine(const SignalPlayer& player, bool quiet);
    void show(const BurnInReport& report, const Progress& progress);

  private:
    std::string text(const BurnInReport& report, const Progress& progress) const;

    const SignalPlayer& player_;
    std::string label_;
    bool terminal_;
    bool quiet_;                       // also once standard output has gone
    std::optional<BurnInState> last_;  // none before the first line
    std::size_t lastLength_ = 0;       // of the line now on the terminal
};
