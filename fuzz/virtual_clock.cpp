// The card-reader library's clock inside the fuzz targets, in place of the platform's: a pause
// only moves the tick on, so the pauses between card commands cost no time. The fake port never
// waits, so nothing else reads the clock.
#include "time/clock.h"

namespace tarn::platform {
namespace {

std::uint64_t now_ms = 0;

}  // namespace

std::uint64_t tick_ms() {
  return now_ms;
}

void sleep_ms(unsigned milliseconds) {
  now_ms += milliseconds;
}

}  // namespace tarn::platform
