#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "arguments.h"

// Where a render's bytes go. A regular file is written under a temporary name in the same
// folder and renamed over the target only when complete, so a failed or interrupted render
// never leaves a partial file behind; standard output ("-"), devices and FIFOs are written
// directly.
class OutputFile {
  public:
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Null with `error` set when the target cannot be written.
    static std::unique_ptr<OutputFile> open(const std::string& path, std::string& error);

    int fd() const { return fd_; }
    bool seekable() const { return seekable_; }
    const std::string& path() const { return path_; }

    // Closes the file and gives it its final name. False with `error` set on failure, after
    // which nothing is left behind.
    bool commit(std::string& error);
    // Closes the file and removes what was written under the temporary name.
    void abandon();

  private:
    OutputFile() = default;

    std::string path_;
    std::string tempPath_;  // empty when writing directly
    int fd_ = -1;
    bool ownsFd_ = false;
    bool seekable_ = false;
};

// Writes a render's frames in one of the file formats.
class FrameWriter {
  public:
    virtual ~FrameWriter() = default;
    // Frames are interleaved 16-bit stereo. False with error() set on failure.
    virtual bool write(const std::int16_t* frames, std::uint64_t count) = 0;
    // Completes the file (headers, encoder flush). False with error() set on failure.
    virtual bool finish() = 0;
    const std::string& error() const { return error_; }

  protected:
    std::string error_;
};

// A writer for `format` on the file's descriptor. totalFrames is what the render will
// write; a WAV file that cannot be rewound (a pipe) gets its header from it up front.
std::unique_ptr<FrameWriter> makeFrameWriter(OutputFile& file, FileFormat format,
                                             std::uint64_t totalFrames, std::string& error);
