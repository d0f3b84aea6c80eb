#include "json_reader.h"

#include <charconv>

namespace readersim {

Bytes JsonReader::hex_text(const nlohmann::json& value, const std::string& where) const {
  if (!value.is_string()) fail(where + " must be a string of hex digits");
  std::string digits;
  for (char c : value.get<std::string>())
    if (c != ' ') digits += c;
  if (digits.size() % 2 != 0) fail(where + " is not hex");
  Bytes bytes(digits.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char* first = digits.data() + 2 * i;
    const auto [end, error] = std::from_chars(first, first + 2, bytes[i], 16);
    if (error != std::errc() || end != first + 2) fail(where + " is not hex");
  }
  return bytes;
}

Bytes JsonReader::hex_text(const nlohmann::json& value, const std::string& where, std::size_t min,
                           std::size_t max) const {
  Bytes bytes = hex_text(value, where);
  if (bytes.size() < min || bytes.size() > max)
    fail(where + " must hold " +
         (min == max ? std::to_string(min) : std::to_string(min) + " to " + std::to_string(max)) +
         " bytes");
  return bytes;
}

Bytes JsonReader::hex(const nlohmann::json& value, const char* key, const std::string& where,
                      std::size_t min, std::size_t max) const {
  const std::string at = where + "." + key;
  if (!value.contains(key)) {
    if (min > 0) fail(at + " is missing");
    return {};
  }
  return hex_text(value[key], at, min, max);
}

}  // namespace readersim
