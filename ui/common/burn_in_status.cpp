#include "ui/common/burn_in_status.h"

#include <cstdio>
#include <ctime>

std::string BurnInStatus::duration(std::uint64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

std::string BurnInStatus::localTime(std::uint64_t second, const char* format) {
    const auto when = static_cast<std::time_t>(second);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    char text[64];
    return {text, std::strftime(text, sizeof text, format, &local)};
}

std::string BurnInStatus::format(const BurnInReport& report) {
    const std::string played = duration(report.heardSeconds());
    switch (report.state) {
        case BurnInState::Idle:
            return {};
        case BurnInState::Playing:
            return "Playing " + played;
        case BurnInState::Stopped:
            return "Stopped after " + played;
        case BurnInState::NoOutput:
            return "No audio output (" + played + " played)";
        case BurnInState::Resting:
            return "Resting until " + localTime(report.nextRestChange, "%H:%M") + " (" + played +
                   " played)";
    }
    return {};
}
