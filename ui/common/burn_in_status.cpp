#include "ui/common/burn_in_status.h"

#include <cstdio>
#include <ctime>

void BurnInStatus::start(std::uint64_t now) {
    state_ = State::Playing;
    played_ = 0;
    last_ = now;
    restEnd_ = 0;
}

void BurnInStatus::update(std::uint64_t now, State state, std::uint64_t restEnd) {
    // Only time that passed while the output was playing counts; a clock set back counts
    // nothing rather than a huge span.
    if (state_ == State::Playing && now > last_) {
        played_ += now - last_;
    }
    last_ = now;
    state_ = state;
    restEnd_ = restEnd;
}

std::string BurnInStatus::text() const {
    return format(state_, played_, restEnd_);
}

std::string BurnInStatus::duration(std::uint64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

std::string BurnInStatus::format(const BurnInReport& report) {
    return format(report.state, report.heardSeconds(), report.nextRestChange);
}

std::string BurnInStatus::format(State state, std::uint64_t playedSeconds, std::uint64_t restEnd) {
    const std::string played = duration(playedSeconds);
    switch (state) {
        case State::Idle:
            return {};
        case State::Playing:
            return "Playing " + played;
        case State::Stopped:
            return "Stopped after " + played;
        case State::NoOutput:
            return "No audio output (" + played + " played)";
        case State::Resting: {
            const auto when = static_cast<std::time_t>(restEnd);
            std::tm local{};
#ifdef _WIN32
            localtime_s(&local, &when);
#else
            localtime_r(&when, &local);
#endif
            char clock[8];
            std::snprintf(clock, sizeof clock, "%02d:%02d", local.tm_hour, local.tm_min);
            return "Resting until " + std::string(clock) + " (" + played + " played)";
        }
    }
    return {};
}
