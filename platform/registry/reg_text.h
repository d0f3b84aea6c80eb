// The registry's text form, the `.reg` format: a header line, then one "[HKEY_CLASSES_ROOT\path]"
// section per key followed by its values, `@="text"` for the default value, `"name"="text"` for a
// string and `"name"=dword:0000002a` for a number. Strings escape '\' and '"' with a backslash,
// and line breaks as \n and \r so that every value stays on its line.
#pragma once

#include <string>
#include <string_view>

#include "registry/key.h"
#include "registry/status.h"

namespace registry {

inline constexpr std::string_view kRegHeader = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
inline constexpr int kMaxKeyDepth = 512;  // the system registry's own nesting limit

std::string format(const Key& root);

// Parses `text` into `root` (which should be empty). An empty or blank text is an empty registry.
// On malformed text the error names the line and what was wrong; `root` is then unspecified.
Status parse(std::string_view text, Key& root);

}  // namespace registry
