// The kernel's view of the clock and of waiting: the local calendar time, whole seconds for the
// random seed, and the pauses between card commands. Tests and fuzzers install their own.
#pragma once

#include <cstdint>

namespace ferro {

struct LocalTime {
  int year;    // e.g. 2021
  int month;   // 1 to 12
  int day;     // 1 to 31
  int hour;    // 0 to 23
  int minute;  // 0 to 59
  int second;  // 0 to 60
};

struct Environment {
  LocalTime (*local_time)();
  std::int64_t (*epoch_seconds)();
  void (*pause_ms)(int milliseconds);
};

// The system clock and real sleeps.
Environment system_environment();

const Environment& environment();
void set_environment(const Environment& env);

}  // namespace ferro
