#include "engine/testing/reference_signal.h"

#include <cmath>
#include <numbers>

int truncatedSample(double value) {
    const long long whole = static_cast<long long>(std::trunc(value));
    const long long low = ((whole % 65536) + 65536) % 65536;
    return static_cast<int>(low >= 32768 ? low - 65536 : low);
}

std::uint32_t framesOf(const ReferenceSettings& s) {
    return s.kind == GeneratorKind::FrequencySweep ? 44100 * s.sweepSeconds : 44100;
}

std::vector<int> reference(const ReferenceSettings& s, double& y, ReferenceRandom& random,
                           std::uint32_t count) {
    const double a = s.amplitude;
    const double half = static_cast<double>(s.amplitude >> 1);  // the integer half of A
    const double step = 2 * std::numbers::pi / 44100;
    std::vector<int> out;
    for (std::uint32_t n = 0; n < count; ++n) {
        switch (s.kind) {
            case GeneratorKind::WhiteNoise:
                // Silence draws nothing from the random source.
                out.push_back(s.amplitude == 0
                                  ? 0
                                  : 2 * random.next() % s.amplitude - static_cast<int>(half));
                break;
            case GeneratorKind::PinkNoise:
                y = 0.9375 * y + 0.0625 * ((1.0 / 32767) * random.next());
                out.push_back(truncatedSample(y * a - half));
                break;
            case GeneratorKind::PureTone:
                out.push_back(truncatedSample(0.5 * (a * std::sin(s.toneFrequency * (step * n)))));
                break;
            case GeneratorKind::FrequencySweep: {
                const double period = s.sweepSeconds;
                const double phase = s.sweepLimit * (period * std::sin((step * n) / period));
                out.push_back(truncatedSample(0.5 * (a * std::sin(phase))));
                break;
            }
            case GeneratorKind::None:
                out.push_back(0);
                break;
        }
    }
    return out;
}

std::vector<std::int16_t> stereo(const std::vector<int>& mono) {
    std::vector<std::int16_t> frames;
    for (const int sample : mono) {
        frames.insert(frames.end(), 2, static_cast<std::int16_t>(sample));
    }
    return frames;
}

std::vector<std::int16_t> referencePlayback(const ReferenceSettings& s, std::size_t frames) {
    double y = 0.0;
    ReferenceRandom random(s.seed);
    std::vector<std::int16_t> out;
    while (out.size() < 2 * frames) {
        const std::vector<std::int16_t> block = stereo(reference(s, y, random, framesOf(s)));
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}
