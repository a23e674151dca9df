#include "journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "ui/common/burn_in_status.h"

namespace fs = std::filesystem;

namespace {

std::string contents(std::uint64_t totalMs) {
    return "vellumtone journal 1\nheard-ms " + std::to_string(totalMs) + "\n";
}

fs::path folder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    return state != nullptr && state[0] == '/'
               ? fs::path(state) / "vellumtone"
               : fs::path(home != nullptr ? home : "") / ".local/state/vellumtone";
}

// The total the file holds, 0 when it is missing. Throws when it cannot be read or holds
// anything but a total as contents() writes it.
std::uint64_t read(const fs::path& path) {
    std::ifstream in(path);
    const int reason = errno;
    const std::string where = "journal " + path.stem().string() + " (" + path.string() + ")";
    if (!in && reason != ENOENT) {
        throw std::runtime_error("cannot read " + where + ": " + std::strerror(reason));
    }
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    std::uint64_t totalMs = 0;
    if (in.is_open() &&
        (std::sscanf(text.c_str(), "vellumtone journal 1\nheard-ms %" SCNu64, &totalMs) != 1 ||
         text != contents(totalMs))) {
        throw std::runtime_error(where + " is corrupt; it is left as it is");
    }
    return totalMs;
}

}  // namespace

Journal::Journal(const std::string& name) : path_(folder() / (name + ".journal")) {
    std::error_code ignored;  // the lock's opening says what is wrong
    fs::create_directories(folder(), ignored);
    const fs::path lock = folder() / (name + ".lock");
    lock_ = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_ < 0) {
        throw std::runtime_error("cannot open " + lock.string() + ": " + std::strerror(errno));
    }
    if (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        close(lock_);
        throw std::runtime_error("journal " + name + " is in use by another vellumtone-cli");
    }
    startMs_ = read(path_);
}

Journal::~Journal() {
    close(lock_);  // releases the lock; the lock file stays, so no one locks a removed file
}

bool Journal::save(std::uint64_t totalMs) const {
    const std::string temp = path_ + ".new";
    const std::string text = contents(totalMs);
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written =
        fd >= 0 && write(fd, text.data(), text.size()) == std::ssize(text) && fsync(fd) == 0;
    const int reason = errno;
    close(fd);
    if (!written || rename(temp.c_str(), path_.c_str()) != 0) {
        std::fprintf(stderr, "vellumtone-cli: cannot save %s: %s\n", path_.c_str(),
                     std::strerror(written ? errno : reason));
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int dir = open(folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    fsync(dir);
    close(dir);
    return true;
}

int Journal::list() {
    std::error_code error;
    std::set<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(folder(), error)) {
        if (entry.path().extension() == ".journal") {
            paths.insert(entry.path());
        }
    }
    for (const fs::path& path : paths) {
        const std::string total = BurnInStatus::duration(read(path) / 1000);
        std::printf("%-24s %s heard\n", path.stem().c_str(), total.c_str());
    }
    return 0;
}
