// Parser of device-control definition strings such as "9600,n,8,1".
#pragma once

#include <optional>
#include <string_view>

namespace tarn::platform {

struct LineDefinition {
  unsigned baud = 0;
  char parity = 'n';  // 'n', 'e' or 'o'
  unsigned data_bits = 8;
  unsigned stop_bits = 1;
};

// Accepts "rate,parity,data,stop" (case-insensitive parity); empty on anything malformed.
std::optional<LineDefinition> parse_line_definition(std::string_view text);

}  // namespace tarn::platform
