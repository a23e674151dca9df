#pragma once

#include <cstdint>
#include <string>

// A burn-in's heard total kept across runs: the file NAME.journal in $XDG_STATE_HOME/vellumtone
// (~/.local/state/vellumtone without it), one per pair of headphones or speakers.
//
// It is replaced whole (a temporary file written, flushed to the disk with fsync, then renamed
// over it), so a power cut leaves the last total saved, never a partial file. A file that
// cannot be read or does not hold a total is refused and never overwritten. While a process
// holds a journal it holds an exclusive flock() on NAME.lock beside it, so a second process is
// refused rather than saving over the first one's total.
class Journal {
  public:
    // Locks and reads it (a journal not there yet starts at 0). Throws std::runtime_error,
    // with one line for the user, when it is in use, cannot be read or is corrupt.
    explicit Journal(const std::string& name);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // The total when it was opened, in milliseconds heard.
    std::uint64_t startMs() const { return startMs_; }
    // Saves the total; false, having told the user why, when it could not.
    bool save(std::uint64_t totalMs) const;

    // Prints each journal's name and total for `journal` and returns 0; throws as the
    // constructor does for the first one that cannot be read.
    static int list();

  private:
    std::string path_;
    int lock_ = -1;
    std::uint64_t startMs_ = 0;
};
