#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "arguments.h"

namespace fs = std::filesystem;

namespace {

// Follows symbolic links, dangling ones too, to the file they name.
fs::path followLinks(fs::path path) {
    std::error_code error;
    for (int hops = 0; hops < 40 && fs::is_symlink(path, error); ++hops) {
        const fs::path next = fs::read_symlink(path, error);
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// A hidden name beside the target for the file while it is written.
std::string besides(const fs::path& target, const std::string& suffix) {
    return (target.parent_path() / ("." + target.filename().string() + "." + suffix)).string();
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : name_(path == "-" ? "standard output" : path) {
    try {
        if (path != "-") {
            open(path);
        }
        if (isatty(fd()) != 0) {
            throw UsageError(
                "will not write audio to a terminal; redirect standard output or use -o FILE");
        }
        seekable_ = lseek(fd(), 0, SEEK_CUR) >= 0;
    } catch (...) {
        release();
        throw;
    }
}

void OutputFile::open(const std::string& path) {
    const fs::path target = followLinks(path);
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a FIFO is written in place; a folder refuses with "Is a directory".
        fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    } else {
        target_ = target.string();
        const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            // This file system has no nameless files: a named one, as a new file is made.
            temp_ = besides(target, "XXXXXX");
            fd_ = mkostemp(temp_.data(), O_CLOEXEC);
            const mode_t mask = umask(0);
            umask(mask);
            if (fd_ < 0 || fchmod(fd_, 0666 & ~mask) != 0) {
                temp_.clear();
            }
        }
        if (fd_ >= 0 && exists) {
            // The owner first, where allowed: a change of owner clears set-ID bits.
            [[maybe_unused]] const int owned = fchown(fd_, existing.st_uid, existing.st_gid);
            fchmod(fd_, existing.st_mode & 07777);
        }
    }
    if (fd_ < 0) {
        throw std::runtime_error(failure());
    }
    owned_ = true;
}

std::string OutputFile::failure() const {
    return "cannot write '" + name_ + "': " + std::strerror(errno);
}

void OutputFile::commit() {
    if (!target_.empty() && temp_.empty()) {
        // linkat cannot replace a file: the nameless file gets a hidden name first.
        temp_ = besides(target_, std::to_string(getpid()));
        unlink(temp_.c_str());  // left by a process of the same id that died
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            temp_.clear();
            throw std::runtime_error(failure());
        }
    }
    const bool closed = !owned_ || ::close(fd_) == 0;
    owned_ = false;
    if (!closed || (!temp_.empty() && std::rename(temp_.c_str(), target_.c_str()) != 0)) {
        const std::string message = failure();
        release();
        throw std::runtime_error(message);
    }
    temp_.clear();
}

void OutputFile::release() {
    if (owned_) {
        ::close(fd_);
        owned_ = false;
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
}

OutputFile::~OutputFile() {
    release();
}
