#include "clock.h"

#include <time.h>

namespace tarn::platform {

std::uint64_t tick_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
         static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000;
}

void sleep_ms(unsigned milliseconds) {
  timespec rest{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1'000'000};
  while (nanosleep(&rest, &rest) != 0) {
  }
}

}  // namespace tarn::platform
