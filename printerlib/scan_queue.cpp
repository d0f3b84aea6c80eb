#include "scan_queue.h"

#include "sim_folder.h"

namespace rkprinter {

bool queue_reading(std::string_view reading) {
  if (reading.find_first_of("\r\n") != std::string_view::npos) return false;
  return append_to(scan_queue_file(), std::string(reading) + "\n");
}

std::optional<std::string> take_reading() {
  const std::string queue = contents(scan_queue_file());
  if (queue.empty()) return std::nullopt;
  const std::size_t end = queue.find('\n');
  const std::size_t rest = end == std::string::npos ? queue.size() : end + 1;
  if (!replace(scan_queue_file(), std::string_view(queue).substr(rest))) return std::nullopt;
  std::string reading = queue.substr(0, end == std::string::npos ? queue.size() : end);
  if (!reading.empty() && reading.back() == '\r') reading.pop_back();
  return reading;
}

}  // namespace rkprinter
