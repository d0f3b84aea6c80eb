#include "utf.h"

#include <cstdint>

namespace rkprinter {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void put_utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void put_utf16(char32_t c, std::u16string& out) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

bool is_high(char16_t u) {
  return u >= 0xD800 && u < 0xDC00;
}
bool is_low(char16_t u) {
  return u >= 0xDC00 && u < 0xE000;
}

// Decodes one UTF-8 sequence at `i`, moving past it; kReplacement for a malformed one.
char32_t next_utf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<std::uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (extra < 0 || lead >= 0xF5) return kReplacement;
  char32_t c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<std::uint8_t>(text[i]) & 0xC0) != 0x80)
      return kReplacement;
    c = (c << 6) | (static_cast<std::uint8_t>(text[i++]) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  const bool surrogate = c >= 0xD800 && c < 0xE000;
  return c < kSmallest[extra] || c > 0x10FFFF || surrogate ? kReplacement : c;
}

}  // namespace

std::string to_utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (is_high(u) && i + 1 < text.size() && is_low(text[i + 1])) {
      put_utf8(0x10000 + ((u - 0xD800) << 10) + (text[++i] - 0xDC00), out);
    } else {
      put_utf8(is_high(u) || is_low(u) ? kReplacement : u, out);
    }
  }
  return out;
}

std::u16string to_utf16(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) put_utf16(next_utf8(text, i), out);
  return out;
}

}  // namespace rkprinter
