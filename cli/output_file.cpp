#include "output_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/output_device.h"

static_assert(std::endian::native == std::endian::little,
              "frames are written as they lie in memory, as little-endian samples");

namespace {

// The temporary file of the render in progress, for the signal handler to remove.
std::array<char, 4096> pendingTemp{};
volatile std::sig_atomic_t pendingTempSet = 0;

// Async-signal-safe: removes the partial file, then dies of the signal as it would have.
extern "C" void removePendingTemp(int signal) {
    if (pendingTempSet != 0) {
        unlink(pendingTemp.data());
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Signals that end a render: each removes the temporary file before the process dies.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

void installCleanup() {
    struct sigaction action {};
    action.sa_handler = removePendingTemp;
    sigemptyset(&action.sa_mask);
    for (int signal : kEndingSignals) {
        // A signal the caller ignores (nohup, a background job) stays ignored.
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
    // Past a file size limit a write should fail and be cleaned up, not kill the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

// Creates the temporary file from `pattern` and records it for the handler, with the
// ending signals held back meanwhile, so that none can strike between the two.
int createTemp(std::string& pattern) {
    sigset_t ending;
    sigset_t previous;
    sigemptyset(&ending);
    for (int signal : kEndingSignals) {
        sigaddset(&ending, signal);
    }
    sigprocmask(SIG_BLOCK, &ending, &previous);
    const int fd = pattern.size() < pendingTemp.size() ? mkostemp(pattern.data(), O_CLOEXEC) : -1;
    if (fd >= 0) {
        std::memcpy(pendingTemp.data(), pattern.c_str(), pattern.size() + 1);
        pendingTempSet = 1;
    } else if (pattern.size() >= pendingTemp.size()) {
        errno = ENAMETOOLONG;
    }
    const int error = errno;
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return fd;
}

void disarmCleanup() {
    pendingTempSet = 0;
}

std::string systemError(const std::string& path) {
    return "cannot write '" + path + "': " + std::strerror(errno);
}

bool writeAll(int fd, const void* data, std::size_t bytes) {
    const auto* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = ::write(fd, p, bytes);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

class RawWriter : public FrameWriter {
  public:
    RawWriter(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    bool write(const std::int16_t* frames, std::uint64_t count) override {
        if (!writeAll(fd_, frames, count * kBytesPerFrame)) {
            error_ = systemError(path_);
            return false;
        }
        return true;
    }
    bool finish() override { return true; }

  protected:
    int fd_;
    std::string path_;
};

void putLe(std::array<unsigned char, 44>& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// A WAV file for an output that cannot be rewound: the canonical 44-byte header, with the
// sizes known before the first frame, then the frames.
class WavStreamWriter final : public RawWriter {
  public:
    WavStreamWriter(int fd, std::string path, std::uint64_t totalFrames)
        : RawWriter(fd, std::move(path)), totalFrames_(totalFrames) {}
    bool write(const std::int16_t* frames, std::uint64_t count) override {
        if (!headerWritten_) {
            if (!writeHeader()) {
                return false;
            }
            headerWritten_ = true;
        }
        return RawWriter::write(frames, count);
    }

  private:
    bool writeHeader() {
        const auto dataBytes = static_cast<std::uint32_t>(totalFrames_ * kBytesPerFrame);
        std::array<unsigned char, 44> header{};
        std::memcpy(header.data(), "RIFF", 4);
        putLe(header, 4, 36 + dataBytes, 4);
        std::memcpy(&header[8], "WAVEfmt ", 8);
        putLe(header, 16, 16, 4);                            // fmt chunk size
        putLe(header, 20, 1, 2);                             // PCM
        putLe(header, 22, kChannels, 2);                     //
        putLe(header, 24, kSampleRate, 4);                   //
        putLe(header, 28, kSampleRate * kBytesPerFrame, 4);  // bytes per second
        putLe(header, 32, kBytesPerFrame, 2);                // block align
        putLe(header, 34, 16, 2);                            // bits per sample
        std::memcpy(&header[36], "data", 4);
        putLe(header, 40, dataBytes, 4);
        if (!writeAll(fd_, header.data(), header.size())) {
            error_ = systemError(path_);
            return false;
        }
        return true;
    }

    std::uint64_t totalFrames_;
    bool headerWritten_ = false;
};

class SndfileWriter final : public FrameWriter {
  public:
    SndfileWriter(SNDFILE* file, std::string path) : file_(file), path_(std::move(path)) {}
    ~SndfileWriter() override {
        if (file_ != nullptr) {
            sf_close(file_);
        }
    }
    bool write(const std::int16_t* frames, std::uint64_t count) override {
        const auto n = static_cast<sf_count_t>(count);
        if (sf_writef_short(file_, frames, n) != n) {
            error_ = "cannot write '" + path_ + "': " + sf_strerror(file_);
            return false;
        }
        return true;
    }
    bool finish() override {
        const int result = sf_close(file_);
        file_ = nullptr;
        if (result != 0) {
            error_ = "cannot write '" + path_ + "': " + sf_error_number(result);
            return false;
        }
        return true;
    }

  private:
    SNDFILE* file_;
    std::string path_;
};

}  // namespace

std::unique_ptr<OutputFile> OutputFile::open(const std::string& path, std::string& error) {
    std::unique_ptr<OutputFile> file(new OutputFile);
    file->path_ = path;
    if (path == "-") {
        if (isatty(STDOUT_FILENO) != 0) {
            error = "will not write audio to a terminal; redirect standard output or use -o FILE";
            return nullptr;
        }
        file->path_ = "standard output";
        file->fd_ = STDOUT_FILENO;
        file->seekable_ = lseek(STDOUT_FILENO, 0, SEEK_CUR) >= 0;
        return file;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            error = "cannot write '" + path + "': it is a folder";
            return nullptr;
        }
        if (!S_ISREG(status.st_mode)) {
            // A device or FIFO is written in place; there is no file to replace.
            file->fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (file->fd_ < 0) {
                error = systemError(path);
                return nullptr;
            }
            file->ownsFd_ = true;
            file->seekable_ = lseek(file->fd_, 0, SEEK_CUR) >= 0;
            return file;
        }
    }
    // A symbolic link keeps pointing at the file it names: the new file replaces its target.
    std::string target = path;
    struct stat link {};
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    file->path_ = target;
    // The temporary file lies in the target's folder, so that renaming it is atomic.
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = folder + "." + name + ".XXXXXX";
    installCleanup();
    file->fd_ = createTemp(temp);
    if (file->fd_ < 0) {
        error = systemError(path);
        return nullptr;
    }
    file->ownsFd_ = true;
    file->seekable_ = true;
    file->tempPath_ = temp;
    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(file->fd_, 0666 & ~mask);
    return file;
}

bool OutputFile::commit(std::string& error) {
    if (ownsFd_) {
        const int result = ::close(fd_);
        fd_ = -1;
        ownsFd_ = false;
        if (result != 0) {
            error = systemError(path_);
            abandon();
            return false;
        }
    }
    if (!tempPath_.empty()) {
        if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
            error = systemError(path_);
            abandon();
            return false;
        }
        disarmCleanup();
        tempPath_.clear();
    }
    return true;
}

void OutputFile::abandon() {
    if (ownsFd_) {
        ::close(fd_);
        fd_ = -1;
        ownsFd_ = false;
    }
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        disarmCleanup();
        tempPath_.clear();
    }
}

OutputFile::~OutputFile() {
    abandon();
}

std::unique_ptr<FrameWriter> makeFrameWriter(OutputFile& file, FileFormat format,
                                             std::uint64_t totalFrames, std::string& error) {
    if (format == FileFormat::Raw) {
        return std::make_unique<RawWriter>(file.fd(), file.path());
    }
    if (format == FileFormat::Wav && !file.seekable()) {
        // libsndfile refuses to write WAV where it cannot go back to fill in the sizes.
        return std::make_unique<WavStreamWriter>(file.fd(), file.path(), totalFrames);
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(kSampleRate);
    info.channels = static_cast<int>(kChannels);
    info.format = (format == FileFormat::Wav ? SF_FORMAT_WAV : SF_FORMAT_FLAC) | SF_FORMAT_PCM_16;
    SNDFILE* sndfile = sf_open_fd(file.fd(), SFM_WRITE, &info, SF_FALSE);
    if (sndfile == nullptr) {
        error = "cannot write '" + file.path() + "': " + sf_strerror(nullptr);
        return nullptr;
    }
    return std::make_unique<SndfileWriter>(sndfile, file.path());
}
