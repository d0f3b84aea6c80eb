#include "environment.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace ferro {
namespace {

// std::localtime hands back a shared static record: copy it out under a lock.
LocalTime system_local_time() {
  static std::mutex lock;
  const std::time_t now = std::time(nullptr);
  std::lock_guard guard(lock);
  const std::tm* tm = std::localtime(&now);
  if (tm == nullptr) return LocalTime{2000, 1, 1, 0, 0, 0};
  return LocalTime{tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday,
                   tm->tm_hour,        tm->tm_min,     tm->tm_sec};
}

std::int64_t system_epoch_seconds() {
  using std::chrono::system_clock;
  return std::chrono::duration_cast<std::chrono::seconds>(system_clock::now().time_since_epoch())
      .count();
}

void system_pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

Environment current{system_local_time, system_epoch_seconds, system_pause};

}  // namespace

Environment system_environment() {
  return Environment{system_local_time, system_epoch_seconds, system_pause};
}

const Environment& environment() {
  return current;
}

void set_environment(const Environment& env) {
  current = env;
}

}  // namespace ferro
