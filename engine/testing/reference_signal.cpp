#include "engine/testing/reference_signal.h"

#include <cmath>
#include <numbers>

std::uint32_t framesOf(const ReferenceSettings& s) {
    return s.kind == GeneratorKind::FrequencySweep ? 44100 * s.sweepSeconds : 44100;
}

std::vector<std::int16_t> reference(const ReferenceSettings& s, double& y, std::uint64_t& state,
                                    std::uint32_t count) {
    // The random source in 64-bit arithmetic with an explicit modulus.
    const auto random = [&state] {
        state = (state * 214013 + 2531011) % 4294967296;
        return static_cast<int>(state / 65536 % 32768);
    };
    const double a = s.amplitude;
    const double half = static_cast<double>(s.amplitude >> 1);  // the integer half of A
    const double step = 2 * std::numbers::pi / 44100;
    std::vector<std::int16_t> out;
    for (std::uint32_t n = 0; n < count; ++n) {
        double value = 0;
        switch (s.kind) {
            case GeneratorKind::WhiteNoise:
                // Silence draws nothing from the random source.
                value = s.amplitude == 0 ? 0 : 2 * random() % s.amplitude - half;
                break;
            case GeneratorKind::PinkNoise:
                y = 0.9375 * y + 0.0625 * ((1.0 / 32767) * random());
                value = y * a - half;
                break;
            case GeneratorKind::PureTone:
                value = 0.5 * (a * std::sin(s.toneFrequency * (step * n)));
                break;
            case GeneratorKind::FrequencySweep:
                value =
                    0.5 * (a * std::sin(s.sweepLimit *
                                        (s.sweepSeconds * std::sin((step * n) / s.sweepSeconds))));
                break;
            case GeneratorKind::None:
                break;
        }
        // Toward zero, keeping the low 16 bits.
        const long long low = (static_cast<long long>(std::trunc(value)) % 65536 + 65536) % 65536;
        out.insert(out.end(), 2, static_cast<std::int16_t>(low >= 32768 ? low - 65536 : low));
    }
    return out;
}

std::vector<std::int16_t> referencePlayback(const ReferenceSettings& s, std::size_t frames) {
    double y = 0.0;
    std::uint64_t state = s.seed;
    std::vector<std::int16_t> out;
    while (out.size() < 2 * frames) {
        const std::vector<std::int16_t> block = reference(s, y, state, framesOf(s));
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}
