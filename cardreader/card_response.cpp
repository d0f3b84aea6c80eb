#include "card_response.h"

#include <algorithm>

namespace tarn {

int CardResponse::transmit(void* port, CardChannel channel, std::span<const std::uint8_t> apdu) {
  std::fill(bytes_.begin(), bytes_.end(), 0);
  length_ = 0;
  return exchange_apdu(port, channel, apdu, bytes_, length_);
}

bool CardResponse::success_at(std::size_t offset) const {
  return offset + 1 < length_ && bytes_[offset] == 0x90 && bytes_[offset + 1] == 0x00;
}

}  // namespace tarn
