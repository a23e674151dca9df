// `render` end to end: the samples of each generator against values worked out here from
// the signal formulas, the file formats, and what is left behind when a render fails.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

#include "subprocess.h"

namespace {

using namespace testing_cli;

constexpr std::size_t kRate = 44100;

// Independent reference values: the random source, the four formulas, and the block
// structure (the phase restarts at every block, the pink state and the random source run on).
class Reference {
  public:
    explicit Reference(std::uint32_t seed) : state_(seed) {}

    std::uint32_t draw() {
        state_ = state_ * 214013U + 2531011U;
        return (state_ >> 16) & 0x7FFF;
    }

    static std::int16_t truncated(double value) {
        return static_cast<std::int16_t>(static_cast<std::int32_t>(value));
    }

    std::vector<std::int16_t> white(std::uint32_t amplitude, std::size_t frames) {
        std::vector<std::int16_t> out;
        for (std::size_t i = 0; i < frames; ++i) {
            std::int32_t sample = 0;
            if (amplitude != 0) {
                sample = static_cast<std::int32_t>((2 * draw()) % amplitude) -
                         static_cast<std::int32_t>(amplitude >> 1);
            }
            out.push_back(static_cast<std::int16_t>(sample));
        }
        return out;
    }

    std::vector<std::int16_t> pink(std::uint32_t amplitude, std::size_t frames) {
        std::vector<std::int16_t> out;
        double y = 0.0;
        for (std::size_t i = 0; i < frames; ++i) {
            const double r = draw();
            y = (r * 3.051850947599719e-05) * 0.0625 + y * 0.9375;
            out.push_back(truncated(amplitude * y - static_cast<double>(amplitude >> 1)));
        }
        return out;
    }

    static std::vector<std::int16_t> tone(std::uint32_t amplitude, std::uint32_t frequency,
                                          std::size_t frames) {
        std::vector<std::int16_t> out;
        for (std::size_t i = 0; i < frames; ++i) {
            const double n = static_cast<double>(i % kRate);
            double v = n * kStep;
            v = v * frequency;
            v = std::sin(v);
            v = v * amplitude;
            out.push_back(truncated(v * 0.5));
        }
        return out;
    }

    static std::vector<std::int16_t> sweep(std::uint32_t amplitude, std::uint32_t limit,
                                           std::uint32_t period, std::size_t frames) {
        std::vector<std::int16_t> out;
        const double s = period;
        for (std::size_t i = 0; i < frames; ++i) {
            const double n = static_cast<double>(i % (static_cast<std::size_t>(kRate) * period));
            double v = n * kStep;
            v = v / s;
            v = std::sin(v);
            v = v * s;
            v = v * limit;
            v = std::sin(v);
            v = v * amplitude;
            out.push_back(truncated(v * 0.5));
        }
        return out;
    }

  private:
    static constexpr double kStep = 0.00014247585730565955;
    std::uint32_t state_;
};

struct Decoded {
    bool ok = false;
    int sampleRate = 0;
    int channels = 0;
    int format = 0;
    std::vector<std::int16_t> left;
    std::vector<std::int16_t> right;
};

Decoded fromInterleaved(const std::vector<std::int16_t>& frames) {
    Decoded decoded;
    decoded.ok = true;
    for (std::size_t i = 0; i + 1 < frames.size(); i += 2) {
        decoded.left.push_back(frames[i]);
        decoded.right.push_back(frames[i + 1]);
    }
    return decoded;
}

Decoded decodeSoundFile(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        ADD_FAILURE() << "libsndfile cannot read " << path << ": " << sf_strerror(nullptr);
        return {};
    }
    std::vector<std::int16_t> frames(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t read = sf_readf_short(file, frames.data(), info.frames);
    sf_close(file);
    EXPECT_EQ(read, info.frames);
    Decoded decoded = fromInterleaved(frames);
    decoded.sampleRate = info.samplerate;
    decoded.channels = info.channels;
    decoded.format = info.format;
    return decoded;
}

Decoded decodeRaw(const std::string& bytes) {
    std::vector<std::int16_t> frames(bytes.size() / 2);
    std::memcpy(frames.data(), bytes.data(), frames.size() * 2);
    return fromInterleaved(frames);
}

// The index of the first frame that differs, or -1.
long firstDifference(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& want) {
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        if (got[i] != want[i]) {
            return static_cast<long>(i);
        }
    }
    return got.size() == want.size() ? -1 : static_cast<long>(std::min(got.size(), want.size()));
}

void expectSamples(const Decoded& decoded, const std::vector<std::int16_t>& want) {
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.left.size(), want.size());
    const long left = firstDifference(decoded.left, want);
    EXPECT_EQ(left, -1) << "frame " << left << ": " << decoded.left[left] << " instead of "
                        << want[left];
    EXPECT_EQ(decoded.right, decoded.left) << "both channels carry the same sample";
}

struct RenderCase {
    std::string name;
    std::vector<std::string> arguments;  // after "render", before "-o"
    std::vector<std::int16_t> expected;
};

std::vector<RenderCase> renderCases() {
    return {
        {"white_default",
         {"white", "--seconds", "2", "--seed", "1700000000"},
         Reference(1700000000).white(40000, 2 * kRate)},
        {"white_loudest_seed_0",
         {"white", "--seconds", "2", "--seed", "0", "--amplitude", "65534"},
         Reference(0).white(65534, 2 * kRate)},
        {"white_odd_amplitude_last_seed",
         {"white", "--seconds", "2", "--seed", "4294967295", "--amplitude", "777"},
         Reference(4294967295U).white(777, 2 * kRate)},
        {"white_silent",
         {"white", "--seconds", "1", "--amplitude", "0"},
         std::vector<std::int16_t>(kRate, 0)},
        {"pink_default",
         {"pink", "--seconds", "2", "--seed", "1234567"},
         Reference(1234567).pink(40000, 2 * kRate)},
        {"pink_volume_100",
         {"pink", "--seconds", "3", "--seed", "99", "--volume", "100"},
         Reference(99).pink(65534, 3 * kRate)},
        {"tone_default", {"tone", "--seconds", "2"}, Reference::tone(40000, 1000, 2 * kRate)},
        {"tone_440_loudest",
         {"tone", "--seconds", "2", "--frequency", "440", "--amplitude", "65534"},
         Reference::tone(65534, 440, 2 * kRate)},
        {"tone_11025_odd_amplitude",
         {"tone", "--seconds", "1", "--frequency", "11025", "--amplitude", "12345"},
         Reference::tone(12345, 11025, kRate)},
        // Three seconds round up to two blocks of the two-second sweep.
        {"sweep_default_rounded_up",
         {"sweep", "--seconds", "3"},
         Reference::sweep(40000, 2000, 2, 4 * kRate)},
        {"sweep_1s_5000",
         {"sweep", "--seconds", "2", "--period", "1", "--limit", "5000", "--amplitude", "30000"},
         Reference::sweep(30000, 5000, 1, 2 * kRate)},
        {"sweep_3s_odd",
         {"sweep", "--seconds", "3", "--period", "3", "--limit", "333", "--volume", "37"},
         // 37 % of the slider's 32767 steps is step 12124, amplitude 24248.
         Reference::sweep(24248, 333, 3, 3 * kRate)},
    };
}

TEST(Render, SamplesMatchTheFormulasAcrossBlocks) {
    TempFolder folder;
    for (const RenderCase& c : renderCases()) {
        SCOPED_TRACE(c.name);
        const fs::path out = folder / (c.name + ".wav");
        std::vector<std::string> arguments{"render"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        arguments.insert(arguments.end(), {"-o", out.string()});
        const Finished run = runCli(arguments, folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const Decoded decoded = decodeSoundFile(out);
        EXPECT_EQ(decoded.sampleRate, 44100);
        EXPECT_EQ(decoded.channels, 2);
        EXPECT_EQ(decoded.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        expectSamples(decoded, c.expected);
    }
}

TEST(Render, WithoutSeedStartsFromTheCurrentSecond) {
    TempFolder folder;
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    const Finished run = runCli(
        {"render", "pink", "--seconds", "1", "-o", (folder / "now.wav").string()}, folder.path());
    const auto after = static_cast<std::uint32_t>(std::time(nullptr));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Decoded decoded = decodeSoundFile(folder / "now.wav");
    bool matched = false;
    for (std::uint32_t seed = before; seed <= after && !matched; ++seed) {
        matched = decoded.left == Reference(seed).pink(40000, kRate);
    }
    EXPECT_TRUE(matched) << "no second from " << before << " to " << after
                         << " gives these samples";
}

TEST(Render, EveryFormatHoldsTheSameSamples) {
    TempFolder folder;
    const std::vector<std::string> signal{"render", "white", "--seconds", "2", "--seed", "31337"};
    const std::vector<std::int16_t> expected = Reference(31337).white(40000, 2 * kRate);
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> arguments = signal;
        arguments.insert(arguments.end(), tail.begin(), tail.end());
        return arguments;
    };

    {
        SCOPED_TRACE("flac by extension");
        const Finished run = runCli(with({"-o", (folder / "a.FLAC").string()}), folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Decoded decoded = decodeSoundFile(folder / "a.FLAC");
        EXPECT_EQ(decoded.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
        expectSamples(decoded, expected);
    }
    {
        SCOPED_TRACE("raw by extension");
        const Finished run = runCli(with({"-o", (folder / "a.raw").string()}), folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string bytes = readFile(folder / "a.raw");
        EXPECT_EQ(bytes.size(), 2 * kRate * 4);
        expectSamples(decodeRaw(bytes), expected);
    }
    {
        SCOPED_TRACE("--format overrides the extension");
        const Finished run =
            runCli(with({"-o", (folder / "b.wav").string(), "--format", "raw"}), folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        expectSamples(decodeRaw(readFile(folder / "b.wav")), expected);
    }
    {
        SCOPED_TRACE("raw to standard output");
        const Finished run = runCli(with({"-o", "-", "--format", "raw"}), folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        expectSamples(decodeRaw(run.out), expected);
    }
    {
        // Standard output is a file here, which libsndfile can rewind.
        SCOPED_TRACE("wav to standard output");
        const Finished run = runCli(with({"-o", "-"}), folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::ofstream(folder / "stdout.wav", std::ios::binary) << run.out;
        expectSamples(decodeSoundFile(folder / "stdout.wav"), expected);
    }
}

// A pipe cannot be rewound: the WAV header must carry the right sizes from the start.
TEST(Render, WavThroughAPipeHasAnExactHeader) {
    TempFolder folder;
    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Child child({"render", "sweep", "--seconds", "3", "--period", "2", "-o", fifo.string(),
                 "--format", "wav"},
                folder.path());
    const std::string bytes = readFile(fifo);  // blocks until the writer closes
    const Finished run = child.wait();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::uint32_t dataBytes = 4 * kRate * 4;
    ASSERT_EQ(bytes.size(), 44 + dataBytes);
    auto le32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        }
        return v;
    };
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(4), 36 + dataBytes);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(le32(40), dataBytes);
    std::ofstream(folder / "piped.wav", std::ios::binary) << bytes;
    const Decoded decoded = decodeSoundFile(folder / "piped.wav");
    EXPECT_EQ(decoded.sampleRate, 44100);
    EXPECT_EQ(decoded.channels, 2);
    expectSamples(decoded, Reference::sweep(40000, 2000, 2, 4 * kRate));
}

TEST(Render, ReplacesAnExistingFileWithOrdinaryPermissions) {
    TempFolder folder;
    const fs::path out = folder / "again.raw";
    std::ofstream(out) << "old contents";
    const Finished run =
        runCli({"render", "tone", "--seconds", "1", "-o", out.string()}, folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fs::file_size(out), kRate * 4);
    const auto permissions = fs::status(out).permissions();
    EXPECT_NE(permissions & fs::perms::owner_read, fs::perms::none);
    EXPECT_NE(permissions & fs::perms::group_read, fs::perms::none)
        << "not left private like a temporary file";
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"again.raw"});
}

TEST(Render, WritesThroughASymbolicLinkToItsTarget) {
    TempFolder folder;
    std::ofstream(folder / "real.raw") << "old contents";
    fs::create_symlink(folder / "real.raw", folder / "link.raw");
    const Finished run = runCli(
        {"render", "white", "--seconds", "1", "-o", (folder / "link.raw").string()}, folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(folder / "link.raw"));
    EXPECT_EQ(fs::file_size(folder / "real.raw"), kRate * 4);
}

// Refused before anything is written: exit code 2, one line on standard error, no file.
TEST(Render, BadOutputIsRefusedAndLeavesNothing) {
    TempFolder folder;
    fs::create_directory(folder / "sub");
    const std::vector<std::vector<std::string>> cases{
        {"-o", (folder / "missing" / "x.wav").string()},
        {"-o", (folder / "sub").string(), "--format", "wav"},
        {"-o", (folder / "x.mp3").string()},
        {"-o", (folder / "noextension").string()},
        {"-o", (folder / "x.wav").string(), "--format", "ogg"},
        {"-o", ""},
        {"-o", (folder / "x.wav").string(), "--seconds", "0"},
        {"-o", (folder / "x.wav").string(), "--frequency", "0"},
        {"-o", (folder / "x.wav").string(), "--seed", "-1"},
    };
    for (const auto& tail : cases) {
        std::vector<std::string> arguments{"render", "tone", "--seconds", "1"};
        arguments.insert(arguments.end(), tail.begin(), tail.end());
        SCOPED_TRACE(testing::PrintToString(arguments));
        const Finished run = runCli(arguments, folder.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.rfind("vellumtone-cli: ", 0), 0U) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"sub"});
        EXPECT_TRUE(fs::is_empty(folder / "sub"));
    }
}

TEST(Render, RefusesToWriteAudioToATerminal) {
    // script(1) gives the program a terminal as its standard output and passes on its exit
    // code.
    const std::string command = std::string("script -qec '") + kCliPath +
                                " render white --seconds 1 -o -' /dev/null >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(Render, WriteFailureOnTheWayLeavesNothing) {
    TempFolder folder;
    ChildOptions options;
    options.fileSizeLimit = 500'000;  // less than three seconds of frames
    for (const std::string name : {"big.wav", "big.flac", "big.raw"}) {
        SCOPED_TRACE(name);
        const Finished run =
            runCli({"render", "white", "--seconds", "10", "-o", (folder / name).string()},
                   folder.path(), options);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("cannot write"), std::string::npos) << run.err;
        EXPECT_TRUE(folder.entries().empty()) << testing::PrintToString(folder.entries());
    }
}

TEST(Render, WriteFailureOnADeviceIsReported) {
    TempFolder folder;
    const Finished run = runCli(
        {"render", "white", "--seconds", "1", "-o", "/dev/full", "--format", "raw"}, folder.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
}

TEST(Render, InterruptedRenderLeavesNothing) {
    TempFolder folder;
    // Ten-minute sweep blocks take a while to fill: the signal comes in the middle.
    Child child({"render", "sweep", "--period", "600", "--seconds", "3000", "-o",
                 (folder / "long.wav").string()},
                folder.path());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline) {
        for (const auto& name : folder.entries()) {
            started = started || name.rfind(".long.wav.", 0) == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(started) << "no temporary file appeared";
    child.signal(SIGINT);
    const Finished run = child.wait();
    EXPECT_EQ(run.signal, SIGINT) << "dies of the signal, as a shell expects";
    EXPECT_TRUE(folder.entries().empty()) << testing::PrintToString(folder.entries());
}

}  // namespace
