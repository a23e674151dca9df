#include "audio_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "engine/signal_format.h"

static_assert(std::endian::native == std::endian::little,
              "frames are written as they lie in memory, as little-endian samples");

namespace fs = std::filesystem;

namespace {

// The canonical header of a 16-bit stereo PCM WAV file, as it lies in the file.
struct WavHeader {
    char riff[4] = {'R', 'I', 'F', 'F'};
    std::uint32_t riffBytes;  // what follows this field: 36 bytes of header, then the data
    char wave[8] = {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    std::uint32_t formatBytes = 16;
    std::uint16_t pcm = 1, channels = kChannels;
    std::uint32_t rate = kSampleRate, bytesPerSecond = kSampleRate * kBytesPerFrame;
    std::uint16_t blockAlign = kBytesPerFrame, bitsPerSample = 16;
    char data[4] = {'d', 'a', 't', 'a'};
    std::uint32_t dataBytes;
};
static_assert(sizeof(WavHeader) == 44);

}  // namespace

AudioFile::AudioFile(const std::string& path, FileFormat format, std::uint64_t totalFrames)
    : name_(path == "-" ? "standard output" : path) {
    try {
        if (path != "-" && !open(path)) {
            throw std::runtime_error(error_);
        }
        if (isatty(fd_) != 0) {
            throw UsageError(
                "will not write audio to a terminal; redirect standard output or use -o FILE");
        }
        const auto bytes = static_cast<std::uint32_t>(totalFrames * kBytesPerFrame);
        const WavHeader header{.riffBytes = 36 + bytes, .dataBytes = bytes};
        if (format == FileFormat::Flac
                ? !startFlac()
                : format == FileFormat::Wav && !writeBytes(&header, sizeof header)) {
            throw std::runtime_error(error_);
        }
    } catch (...) {
        abandon();
        throw;
    }
}

bool AudioFile::open(const std::string& path) {
    // Symbolic links, dangling ones too, are followed to the file they name.
    fs::path target = path;
    std::error_code error;
    for (int hops = 0; hops < 40 && fs::is_symlink(target, error); ++hops) {
        target = target.parent_path() / fs::read_symlink(target, error);  // absolute: replaces
    }
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a FIFO is written in place; a folder refuses with "Is a directory".
        fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    } else {
        target_ = target.string();
        // "folder/." + "name.PID": the hidden name beside the target.
        const fs::path folder = target.parent_path() / ".";
        temp_ = folder.string() + target.filename().string() + "." + std::to_string(getpid());
        unlink(temp_.c_str());  // left by a process of the same id that died
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            // This file system has no nameless files (or the folder cannot be written, which
            // this tells alike): the hidden name at once, made as a new file is.
            fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            named_ = fd_ >= 0;
        }
        if (fd_ >= 0 && exists) {
            // The owner first, where allowed: a change of owner clears set-ID bits.
            [[maybe_unused]] const int owned = fchown(fd_, existing.st_uid, existing.st_gid);
            fchmod(fd_, existing.st_mode & 07777);
        }
    }
    return fd_ >= 0 || failed(std::strerror(errno));
}

bool AudioFile::startFlac() {
    // libsndfile's file operations on the output's descriptor. Writing, it reads nothing, and
    // it asks where it stands as a seek to where it stands.
    // A pipe cannot be rewound: a seek to where it stands succeeds, and once the encoder has
    // failed to go back to fill in its header's totals, what it writes there is dropped, so
    // the header keeps "unknown", as a streamed FLAC has it.
    static const auto seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
        AudioFile& file = *static_cast<AudioFile*>(user);
        const off_t at = lseek(file.fd_, offset, whence);
        const bool stays = whence == SEEK_CUR ? offset == 0 : offset == file.written_;
        file.rewindFailed_ = file.rewindFailed_ || (at < 0 && !stays);
        return at >= 0 ? at : stays ? file.written_ : -1;
    };
    static SF_VIRTUAL_IO io{
        [](void* user) -> sf_count_t { return static_cast<AudioFile*>(user)->written_; },
        seek,
        nullptr,
        [](const void* data, sf_count_t count, void* user) -> sf_count_t {
            AudioFile& file = *static_cast<AudioFile*>(user);
            const bool kept = file.rewindFailed_ || file.writeBytes(data, count);
            return kept ? count : 0;
        },
        [](void* user) { return seek(0, SEEK_CUR, user); },
    };
    SF_INFO info{0, kSampleRate, kChannels, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 0, 0};
    flac_ = sf_open_virtual(&io, SFM_WRITE, &info, this);
    return flac_ != nullptr || failed(sf_strerror(nullptr));
}

bool AudioFile::write(const void* frames, std::uint64_t count) {
    if (flac_ == nullptr) {
        return writeBytes(frames, count * kBytesPerFrame);
    }
    const auto n = static_cast<sf_count_t>(count);
    return sf_writef_short(flac_, static_cast<const short*>(frames), n) == n ||
           failed(sf_strerror(flac_));
}

bool AudioFile::writeBytes(const void* data, std::uint64_t bytes) {
    for (std::uint64_t done = 0; done < bytes;) {
        const ssize_t n = ::write(fd_, static_cast<const char*>(data) + done, bytes - done);
        if (n < 0) {
            return failed(std::strerror(errno));
        }
        done += static_cast<std::uint64_t>(n);
        written_ += n;
    }
    return true;
}

bool AudioFile::failed(const std::string& reason) {
    if (error_.empty()) {
        error_ = "cannot write '" + name_ + "': " + reason;
    }
    return false;
}

void AudioFile::commit() {
    if (const int result = flac_ != nullptr ? sf_close(std::exchange(flac_, nullptr)) : 0) {
        failed(sf_error_number(result));
    }
    if (!target_.empty() && !named_ && error_.empty()) {
        // linkat cannot replace a file: the nameless file gets the hidden name first.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        named_ = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
                 failed(std::strerror(errno));
    }
    if (::close(std::exchange(fd_, -1)) != 0 ||
        (error_.empty() && named_ && std::rename(temp_.c_str(), target_.c_str()) != 0)) {
        failed(std::strerror(errno));
    }
    if (!error_.empty()) {
        abandon();
        throw std::runtime_error(error_);
    }
    named_ = false;
}

void AudioFile::abandon() {
    if (flac_ != nullptr) {
        sf_close(std::exchange(flac_, nullptr));
    }
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
    if (std::exchange(named_, false)) {
        unlink(temp_.c_str());
    }
}
