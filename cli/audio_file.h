#pragma once

#include <sndfile.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "arguments.h"

// Where a render's frames (interleaved 16-bit stereo) go, in one of the file formats.
//
// A regular file is written as a nameless temporary file in the target's folder (a named one
// where the file system cannot) and takes the target's name only when complete, so a failed
// or interrupted render never leaves a partial file; a file it replaces keeps its permissions
// and, where allowed, its owner. Standard output ("-"), devices and FIFOs are written
// directly. Audio never goes to a terminal.
//
// WAV and raw are written here, the WAV header up front from the known length, so that a pipe
// gets the same file as a disk; FLAC goes through libsndfile, whose writes come back here so
// that a failure is told by its own reason.
class AudioFile {
  public:
    // Throws UsageError for a terminal and std::runtime_error when it cannot be written.
    AudioFile(const std::string& path, FileFormat format, std::uint64_t totalFrames);
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;
    // A file that was not committed leaves nothing behind.
    ~AudioFile() { abandon(); }

    // False on failure; commit() then tells why.
    bool write(const void* frames, std::uint64_t count);
    // Closes the file and leaves nothing behind, as an uncommitted file does when destroyed.
    void abandon();
    // Completes the file (the encoder's last frames) and gives it its name. Throws
    // std::runtime_error, with the first failure's reason, when the file cannot be completed.
    void commit();

  private:
    // False, the reason kept, when the file or the encoder cannot be opened.
    bool open(const std::string& path);
    bool startFlac();
    bool writeBytes(const void* data, std::uint64_t bytes);
    // Keeps the first reason given: a failed write's errno, not the encoder's later words.
    bool failed(const std::string& reason);

    std::string name_;        // as the user knows it
    std::string target_;      // the file to replace; empty when writing directly
    std::string temp_;        // the temporary file's hidden name beside the target
    bool named_ = false;      // whether the temporary file has that name yet
    int fd_ = STDOUT_FILENO;  // closed at the end, standard output too
    SNDFILE* flac_ = nullptr;
    bool rewindFailed_ = false;
    sf_count_t written_ = 0;  // bytes, for the encoder's position on a pipe
    std::string error_;
};
