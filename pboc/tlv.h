// Data objects written as tag, one length byte and value: field 55 and the final result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ferro {

struct TlvItem {
  unsigned tag;  // one byte up to 0xFF, else two bytes, high byte first
  std::span<const std::uint8_t> value;
};

// Number of bytes write_tlv_list writes for the items.
std::size_t tlv_list_size(std::span<const TlvItem> items);

// Writes the items one after another to out, which holds tlv_list_size(items) bytes.
void write_tlv_list(std::span<const TlvItem> items, std::uint8_t* out);

}  // namespace ferro
