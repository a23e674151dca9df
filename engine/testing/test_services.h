#pragma once

#include <optional>
#include <string>

// The one check of what the display and audio tests need. scripts/test.sh starts a private X
// server and sound server and sets VELLUMTONE_REQUIRE_SERVICES, so that there a missing one
// fails the test instead of skipping it.

// The sound server's default sink, whatever its name; none without a server.
std::optional<std::string> defaultSink();
// Why a test that needs a display and/or a sound server cannot run here; none when it can.
std::optional<std::string> missingService(bool display, bool sound);
bool servicesRequired();

// At the top of such a test body.
#define SKIP_OR_FAIL_WITHOUT(display, sound)                         \
    if (const auto missing = missingService(display, sound)) {       \
        if (servicesRequired()) {                                    \
            FAIL() << *missing;                                      \
        }                                                            \
        GTEST_SKIP() << *missing << "; run through scripts/test.sh"; \
    }
