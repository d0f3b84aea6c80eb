// Local calendar time with milliseconds.
#pragma once

namespace tarn::platform {

struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};

LocalTime local_time_now();

}  // namespace tarn::platform
