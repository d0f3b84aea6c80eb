#include "line_definition.h"

#include <charconv>
#include <vector>

namespace tarn::platform {
namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::optional<unsigned> number(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

}  // namespace

std::optional<LineDefinition> parse_line_definition(std::string_view text) {
  const auto parts = split(text, ',');
  if (parts.size() != 4 || parts[1].size() != 1) return {};
  const auto baud = number(parts[0]);
  const auto data = number(parts[2]);
  const auto stop = number(parts[3]);
  const char parity = static_cast<char>(parts[1][0] | 0x20);
  if (!baud || *baud == 0 || !data || *data < 5 || *data > 8 || !stop || (*stop != 1 && *stop != 2))
    return {};
  if (parity != 'n' && parity != 'e' && parity != 'o') return {};
  return LineDefinition{*baud, parity, *data, *stop};
}

}  // namespace tarn::platform
