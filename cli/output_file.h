#pragma once

#include <unistd.h>

#include <string>

// Where a render's bytes go. A regular file is written as a nameless temporary file in the
// target's folder (a named one where the file system cannot) and takes the target's name
// only when complete, so a failed or interrupted render never leaves a partial file; a file
// it replaces keeps its permissions and, where allowed, its owner. Standard output ("-"),
// devices and FIFOs are written directly. Audio never goes to a terminal.
class OutputFile {
  public:
    // Throws UsageError for a terminal and std::runtime_error when it cannot be written.
    explicit OutputFile(const std::string& path);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Closes the file; one that was not committed leaves nothing behind.
    ~OutputFile();

    int fd() const { return fd_; }
    bool seekable() const { return seekable_; }
    const std::string& name() const { return name_; }
    // "cannot write 'NAME': " and the reason errno gives.
    std::string failure() const;

    // Gives the complete file its name. Throws std::runtime_error on failure.
    void commit();

  private:
    void open(const std::string& path);
    void release();

    std::string name_;    // as the user knows it
    std::string target_;  // the file to replace; empty when writing directly
    std::string temp_;    // the temporary file's name while it has one
    int fd_ = STDOUT_FILENO;
    bool owned_ = false;
    bool seekable_ = false;
};
