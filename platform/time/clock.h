// Millisecond tick and sleep.
#pragma once

#include <cstdint>

namespace tarn::platform {

// Milliseconds of a monotonic clock; only differences are meaningful.
std::uint64_t tick_ms();
void sleep_ms(unsigned milliseconds);

}  // namespace tarn::platform
