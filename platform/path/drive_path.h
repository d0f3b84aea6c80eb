// Maps Windows drive paths onto directories of this machine.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::platform {

// Drive D: is the directory named by TARN_DRIVE_D (default /var/lib/tarn/D), read at each call.
std::string drive_d_root();

// "D:\Holm\Vesk.log" -> "<drive D>/Holm/Vesk.log"; empty for other drives or relative paths.
std::optional<std::string> map_drive_path(std::string_view windows_path);

// Creates one directory whose parent exists; false when it neither exists nor could be made.
bool make_directory(const std::string& path);

}  // namespace tarn::platform
