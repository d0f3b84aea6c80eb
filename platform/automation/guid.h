// 128-bit class, interface and library identifiers, written
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace automation {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
  bool operator==(const Guid&) const = default;
};

namespace guid_detail {
constexpr int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
// Reads `count` hex digits at `pos`; -1 when one is not a hex digit.
constexpr std::int64_t hex_field(std::string_view s, std::size_t pos, std::size_t count) {
  std::int64_t value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    const int digit = hex_digit(s[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}
}  // namespace guid_detail

// The braced form, hex digits in either case; nothing else is accepted.
constexpr std::optional<Guid> parse_guid(std::string_view s) {
  using guid_detail::hex_field;
  if (s.size() != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' ||
      s[19] != '-' || s[24] != '-') {
    return std::nullopt;
  }
  constexpr std::size_t kData4At[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  const std::int64_t d1 = hex_field(s, 1, 8), d2 = hex_field(s, 10, 4), d3 = hex_field(s, 15, 4);
  if (d1 < 0 || d2 < 0 || d3 < 0) return std::nullopt;
  Guid guid{static_cast<std::uint32_t>(d1), static_cast<std::uint16_t>(d2),
            static_cast<std::uint16_t>(d3)};
  for (std::size_t i = 0; i < 8; ++i) {
    const std::int64_t byte = hex_field(s, kData4At[i], 2);
    if (byte < 0) return std::nullopt;
    guid.data4[i] = static_cast<std::uint8_t>(byte);
  }
  return guid;
}

// For identifiers written in the source: a malformed text does not compile.
consteval Guid make_guid(std::string_view s) {
  const auto guid = parse_guid(s);
  if (!guid) throw "malformed GUID";
  return *guid;
}

// Upper-case braced form, as the registry stores it.
std::string to_string(const Guid& guid);

}  // namespace automation
