#include "engine/testing/test_services.h"

#include <cstdlib>

#include "engine/testing/child_process.h"

std::optional<std::string> defaultSink() {
    std::optional<std::string> sink = runProgram({"pactl", "get-default-sink"});
    while (sink && !sink->empty() && sink->back() == '\n') {
        sink->pop_back();
    }
    return sink && !sink->empty() ? sink : std::nullopt;
}

std::optional<std::string> missingService(bool display, bool sound) {
    if (display && (std::getenv("DISPLAY") == nullptr || !runProgram({"xdpyinfo"}))) {
        return "no X display";
    }
    if (sound && !defaultSink()) {
        return "no sound server with a default sink";
    }
    return std::nullopt;
}

bool servicesRequired() {
    return std::getenv("VELLUMTONE_REQUIRE_SERVICES") != nullptr;
}
