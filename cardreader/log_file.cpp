#include "log_file.h"

#include <cstdio>
#include <mutex>

#include "path/drive_path.h"
#include "time/local_time.h"

namespace tarn {
namespace {

std::mutex stream_lock;
std::FILE* stream = nullptr;

}  // namespace

void reopen_log_file() {
  std::lock_guard guard(stream_lock);
  if (stream) std::fclose(stream);
  stream = nullptr;
  const auto folder = platform::map_drive_path("D:\\Holm");
  const auto file = platform::map_drive_path("D:\\Holm\\Vesk.log");
  if (!folder || !file || !platform::make_directory(*folder)) return;
  stream = std::fopen(file->c_str(), "a+");
}

void write_log_line(const char* name, int level, const char* text) {
  static constexpr const char* kLevels[] = {"DEBUG", "WARN", "ERROR"};
  const char* word = level >= 0 && level <= 2 ? kLevels[level] : "UNKONW";
  std::lock_guard guard(stream_lock);
  if (!stream) return;
  const platform::LocalTime t = platform::local_time_now();
  std::fprintf(stream, "%4d-%02d-%02d %02d:%02d:%02d:%03d   %-25s     %-11s%s\r\n", t.year, t.month,
               t.day, t.hour, t.minute, t.second, t.millisecond, name ? name : "", word,
               text ? text : "");
  std::fflush(stream);
}

}  // namespace tarn
