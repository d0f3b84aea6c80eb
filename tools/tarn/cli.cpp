#include "cli.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "Tarn_DLL.h"

namespace tarn_tool {

long number_arg(const std::string& text) {
  long value = 0;
  const bool is_hex = text.size() > 2 && text[0] == '0' && (text[1] | 0x20) == 'x';
  const char* first = text.data() + (is_hex ? 2 : 0);
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, value, is_hex ? 16 : 10);
  if (text.empty() || error != std::errc() || end != last)
    throw UsageError{"not a number: '" + text + "'"};
  return value;
}

std::uint8_t byte_arg(const std::string& text) {
  if (text.size() == 1) return static_cast<std::uint8_t>(text[0]);
  const long value = number_arg(text);
  if (value < 0 || value > 255) throw UsageError{"not a byte: '" + text + "'"};
  return static_cast<std::uint8_t>(value);
}

std::vector<std::uint8_t> hex_arg(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c)) && c != ':') digits += c;
  if (digits.size() % 2 != 0) throw UsageError{"odd number of hex digits: '" + text + "'"};
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data() + i, digits.data() + i + 2, value, 16);
    if (error != std::errc() || end != digits.data() + i + 2)
      throw UsageError{"not hex: '" + text + "'"};
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

std::string hex(std::span<const std::uint8_t> bytes) {
  std::string out;
  char cell[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(cell, sizeof cell, out.empty() ? "%02X" : " %02X", b);
    out += cell;
  }
  return out;
}

std::string describe_byte(std::uint8_t byte) {
  std::string out = hex(std::span(&byte, 1));
  if (std::isprint(byte)) out += std::string(" \"") + static_cast<char>(byte) + "\"";
  return out;
}

const char* result_text(int result) {
  switch (result) {
    case TARN_OK:
      return "success";
    case TARN_E_REPLY:
      return "no reply, bad reply or bad argument";
    case TARN_E_ENTRY:
      return "card entry not completed";
    case TARN_E_HEADER:
      return "reply header unreadable";
    case TARN_E_NAK:
      return "the reader refused the request (NAK)";
    case TARN_E_NOPORT:
      return "no port";
    case TARN_E_READ:
      return "read failed";
    case TARN_E_CLOSE:
      return "close failed";
    case TARN_E_WRITE:
      return "write failed";
    case TARN_E_NOACK:
      return "the reader did not acknowledge";
    case TARN_E_SHORTWAIT:
      return "no reply within the short wait";
    case TARN_E_ARGUMENT:
      return "argument refused, nothing sent";
    default:
      return result > 0 ? "the reader's error byte" : "error";
  }
}

int report(const char* what, int result) {
  if (result == TARN_OK) return 0;
  std::fprintf(stderr, "tarn: %s: %d (%s)\n", what, result, result_text(result));
  return 1;
}

}  // namespace tarn_tool
