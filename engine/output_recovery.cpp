#include "output_recovery.h"

// The next attempt counts from the last failure, so that a driver failing slowly is not
// asked again at once.
void OutputRecovery::failed(std::uint64_t nowMs) {
    lost_ = true;
    retryAtMs_ = nowMs + kRetryMs;
}
