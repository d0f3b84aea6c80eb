#include <charconv>

#include "serial_port.h"

namespace tarn::platform {

std::string device_path(std::string_view name) {
  if (name.empty()) return {};
  if (name.front() == '/') return std::string(name);
  if (name.size() > 3 && (name.substr(0, 3) == "COM" || name.substr(0, 3) == "com")) {
    unsigned number = 0;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error == std::errc() && end == last && number >= 1)
      return "/dev/ttyS" + std::to_string(number - 1);
  }
  return "/dev/" + std::string(name);
}

}  // namespace tarn::platform
