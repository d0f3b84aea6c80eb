// A card's response to one APDU in a zeroed buffer of fixed size, and the status-word tests that
// the card-application commands judge it by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "cpu_card.h"

namespace tarn {

class CardResponse {
 public:
  explicit CardResponse(std::size_t capacity) : bytes_(capacity, 0) {}

  // Clears the buffer and sends `apdu`; the transport's result code. A response longer than the
  // buffer is refused with -1.
  int transmit(void* port, CardChannel channel, std::span<const std::uint8_t> apdu);

  std::size_t length() const { return length_; }
  // The received bytes, status word included.
  std::span<const std::uint8_t> received() const { return std::span(bytes_).first(length_); }
  // Byte i of the response; 0 beyond the received bytes.
  std::uint8_t at(std::size_t i) const { return i < length_ ? bytes_[i] : 0; }
  // 90 00 received at `offset` and the byte after it.
  bool success_at(std::size_t offset) const;
  // The last two received bytes are 90 00 (false for a response shorter than two bytes).
  bool ends_with_success() const { return length_ >= 2 && success_at(length_ - 2); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t length_ = 0;
};

}  // namespace tarn
