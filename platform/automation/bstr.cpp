#include "automation/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace automation {
namespace {

// Layout: 4-byte byte count, the text, a zero terminator.
constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* header_of(BSTR text) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - kPrefix);
}

}  // namespace

BSTR SysAllocString(const char16_t* text) {
  if (text == nullptr) return nullptr;
  const std::size_t length = std::char_traits<char16_t>::length(text);
  if (length > std::numeric_limits<std::uint32_t>::max()) return nullptr;
  return SysAllocStringLen(text, static_cast<std::uint32_t>(length));
}

BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length) {
  if (length > (std::numeric_limits<std::uint32_t>::max() - kPrefix) / sizeof(char16_t) - 1) {
    return nullptr;
  }
  const std::size_t bytes = std::size_t{length} * sizeof(char16_t);
  auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(char16_t)));
  if (block == nullptr) return nullptr;
  const auto byte_count = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &byte_count, kPrefix);
  auto* chars = reinterpret_cast<BSTR>(block + kPrefix);
  if (text != nullptr) {
    std::memcpy(chars, text, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  chars[length] = u'\0';
  return chars;
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(header_of(text));
}

std::uint32_t SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, header_of(text), kPrefix);
  return bytes / sizeof(char16_t);
}

}  // namespace automation
