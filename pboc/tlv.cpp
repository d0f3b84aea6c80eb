#include "tlv.h"

#include <algorithm>

namespace ferro {
namespace {

std::size_t tag_size(unsigned tag) {
  return tag > 0xFF ? 2 : 1;
}

}  // namespace

std::size_t tlv_list_size(std::span<const TlvItem> items) {
  std::size_t size = 0;
  for (const TlvItem& item : items) size += tag_size(item.tag) + 1 + item.value.size();
  return size;
}

void write_tlv_list(std::span<const TlvItem> items, std::uint8_t* out) {
  for (const TlvItem& item : items) {
    if (tag_size(item.tag) == 2) *out++ = static_cast<std::uint8_t>(item.tag >> 8);
    *out++ = static_cast<std::uint8_t>(item.tag);
    *out++ = static_cast<std::uint8_t>(item.value.size());
    out = std::copy(item.value.begin(), item.value.end(), out);
  }
}

}  // namespace ferro
