#pragma once

#include <cstdlib>

// At the top of a test that needs a display, a sound server or a program. scripts/test.sh
// starts them and sets VELLUMTONE_REQUIRE_SERVICES: there a missing one fails the test.
#define SKIP_OR_FAIL_UNLESS(available, what)                               \
    if (!(available)) {                                                    \
        if (std::getenv("VELLUMTONE_REQUIRE_SERVICES") != nullptr) {       \
            FAIL() << (what) << " needed";                                 \
        }                                                                  \
        GTEST_SKIP() << (what) << " missing; run through scripts/test.sh"; \
    }
