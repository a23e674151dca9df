#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

// At the top of a test that needs a display, a sound server or a program. scripts/test.sh
// starts them and sets VELLUMTONE_REQUIRE_SERVICES: there a missing one fails the test.
#define SKIP_OR_FAIL_UNLESS(available, what)                               \
    if (!(available)) {                                                    \
        if (std::getenv("VELLUMTONE_REQUIRE_SERVICES") != nullptr) {       \
            FAIL() << (what) << " needed";                                 \
        }                                                                  \
        GTEST_SKIP() << (what) << " missing; run through scripts/test.sh"; \
    }

// Polls `condition` every 20 ms until it holds; the limit of 20 s only keeps a broken build
// from hanging.
inline bool eventually(const std::function<bool()>& condition) {
    for (int tries = 0; !condition(); ++tries) {
        if (tries == 1000) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
