#include "drive_path.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace tarn::platform {

std::string drive_d_root() {
  const char* root = std::getenv("TARN_DRIVE_D");
  return root && *root ? root : "/var/lib/tarn/D";
}

std::optional<std::string> map_drive_path(std::string_view windows_path) {
  if (windows_path.size() < 3 || (windows_path[0] | 0x20) != 'd' || windows_path[1] != ':' ||
      windows_path[2] != '\\')
    return {};
  std::string rest(windows_path.substr(2));
  std::replace(rest.begin(), rest.end(), '\\', '/');
  return drive_d_root() + rest;
}

bool make_directory(const std::string& path) {
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace tarn::platform
