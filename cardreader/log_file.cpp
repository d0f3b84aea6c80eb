#include "log_file.h"

#include <cstdio>
#include <mutex>

#include "path/drive_path.h"

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

}  // namespace tarn
