#include "frame_writer.h"

#include <unistd.h>

#include <bit>
#include <cstring>
#include <stdexcept>

#include "engine/output_device.h"
#include "engine/signal_format.h"

static_assert(std::endian::native == std::endian::little,
              "frames are written as they lie in memory, as little-endian samples");

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

// libsndfile's file operations on the output's descriptor.
FrameWriter& self(void* user) {
    return *static_cast<FrameWriter*>(user);
}

}  // namespace

FrameWriter::FrameWriter(OutputFile& file, FileFormat format, std::uint64_t totalFrames)
    : file_(file) {
    if (format == FileFormat::Wav) {
        const auto bytes = static_cast<std::uint32_t>(totalFrames * kBytesPerFrame);
        const WavHeader header{.riffBytes = 36 + bytes, .dataBytes = bytes};
        if (!writeBytes(&header, sizeof header)) {
            throw std::runtime_error(error_);
        }
    } else if (format == FileFormat::Flac) {
        static SF_VIRTUAL_IO io{
            [](void* user) -> sf_count_t { return self(user).written_; },
            // A pipe cannot be rewound: a seek to where it stands succeeds, and once the
            // encoder has failed to go back to fill in its header's totals, what it writes
            // there is dropped, so the header keeps "unknown", as a streamed FLAC has it.
            [](sf_count_t offset, int whence, void* user) -> sf_count_t {
                FrameWriter& writer = self(user);
                const off_t at = lseek(writer.file_.fd(), offset, whence);
                const bool stays = whence == SEEK_CUR ? offset == 0 : offset == writer.written_;
                writer.rewindFailed_ = writer.rewindFailed_ || (at < 0 && !stays);
                return at >= 0 ? at : stays ? writer.written_ : -1;
            },
            [](void* /*data*/, sf_count_t /*count*/, void* /*user*/) -> sf_count_t { return 0; },
            [](const void* data, sf_count_t count, void* user) -> sf_count_t {
                FrameWriter& writer = self(user);
                return writer.rewindFailed_ ||
                               writer.writeBytes(data, static_cast<std::uint64_t>(count))
                           ? count
                           : 0;
            },
            [](void* user) -> sf_count_t {
                const off_t at = lseek(self(user).file_.fd(), 0, SEEK_CUR);
                return at >= 0 ? at : self(user).written_;
            },
        };
        SF_INFO info{};
        info.samplerate = static_cast<int>(kSampleRate);
        info.channels = static_cast<int>(kChannels);
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        flac_ = sf_open_virtual(&io, SFM_WRITE, &info, this);
        if (flac_ == nullptr) {
            failed(sf_strerror(nullptr));
            throw std::runtime_error(error_);
        }
    }
}

FrameWriter::~FrameWriter() {
    if (flac_ != nullptr) {
        sf_close(flac_);
    }
}

bool FrameWriter::write(const void* frames, std::uint64_t count) {
    if (flac_ == nullptr) {
        return writeBytes(frames, count * kBytesPerFrame);
    }
    const auto n = static_cast<sf_count_t>(count);
    return sf_writef_short(flac_, static_cast<const short*>(frames), n) == n ||
           failed(sf_strerror(flac_));
}

bool FrameWriter::finish() {
    if (flac_ == nullptr) {
        return true;
    }
    const int result = sf_close(flac_);
    flac_ = nullptr;
    return (result == 0 && error_.empty()) || failed(sf_error_number(result));
}

bool FrameWriter::writeBytes(const void* data, std::uint64_t bytes) {
    const auto* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = ::write(file_.fd(), p, bytes);
        if (n < 0) {
            error_ = file_.failure();
            return false;
        }
        p += n;
        bytes -= static_cast<std::uint64_t>(n);
        written_ += n;
    }
    return true;
}

// Tells the reason a write gave, when one failed, rather than the encoder's own words.
bool FrameWriter::failed(const char* libraryMessage) {
    if (error_.empty()) {
        error_ = "cannot write '" + file_.name() + "': " + libraryMessage;
    }
    return false;
}
