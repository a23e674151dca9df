#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "arguments.h"
#include "output_file.h"

// Writes a render's frames (interleaved 16-bit stereo) in one of the file formats. WAV and
// raw are written here, the WAV header up front from the known length, so that a pipe gets
// the same file as a disk; FLAC goes through libsndfile, whose writes come back here so that
// a failure is told by its own reason.
class FrameWriter {
  public:
    // Throws std::runtime_error when the file cannot be started.
    FrameWriter(OutputFile& file, FileFormat format, std::uint64_t totalFrames);
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;
    ~FrameWriter();

    // False with error() set on failure.
    bool write(const void* frames, std::uint64_t count);
    // Completes the file (the encoder's last frames). False with error() set on failure.
    bool finish();
    const std::string& error() const { return error_; }

  private:
    bool writeBytes(const void* data, std::uint64_t bytes);
    bool failed(const char* libraryMessage);

    OutputFile& file_;
    SNDFILE* flac_ = nullptr;
    bool rewindFailed_ = false;
    sf_count_t written_ = 0;  // bytes, for the encoder's position on a pipe
    std::string error_;
};
