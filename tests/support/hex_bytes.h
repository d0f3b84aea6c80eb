// Byte strings for tests, written the way card and frame dumps are read: "6F 1A 84 0E ...".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// Pairs of hex digits; spaces between them are ignored.
inline std::vector<std::uint8_t> hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  std::string digits;
  for (const char c : text)
    if (c != ' ') digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

inline std::vector<std::uint8_t> cat(std::vector<std::uint8_t> a,
                                     const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace test_support
