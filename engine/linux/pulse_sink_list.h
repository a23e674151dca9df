#pragma once

#include <optional>
#include <string>
#include <vector>

// One output of the PulseAudio (or PipeWire) server, as `--device` names it.
struct OutputSink {
    std::string name;         // what the server calls it, such as "alsa_output.pci-0000_00_1f.3"
    std::string description;  // what a person calls it, such as "Built-in Audio"
    bool isDefault = false;
};

inline constexpr const char* kNoSoundServer = "no PulseAudio or PipeWire server answered";

// The server's sinks, in its order; none when no server answered.
std::optional<std::vector<OutputSink>> listOutputSinks();
