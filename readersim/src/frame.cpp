#include "readersim/frame.h"

#include <initializer_list>
#include <stdexcept>

namespace readersim {
namespace {

// STX, length, the text (head bytes then data), ETX, BCC.
Bytes frame_of(std::initializer_list<std::uint8_t> head, std::span<const std::uint8_t> data) {
  const std::size_t text = head.size() + data.size();
  if (text > kMaxText) throw std::length_error("frame text longer than 65535 bytes");
  Bytes frame;
  frame.reserve(text + 5);
  frame.push_back(kStx);
  frame.push_back(static_cast<std::uint8_t>(text >> 8));
  frame.push_back(static_cast<std::uint8_t>(text & 0xFF));
  for (std::uint8_t b : head) frame.push_back(b);
  for (std::uint8_t b : data) frame.push_back(b);
  frame.push_back(kEtx);
  frame.push_back(bcc(frame));
  return frame;
}

}  // namespace

std::uint8_t bcc(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum ^= b;
  return sum;
}

Bytes encode_request(std::uint8_t cm, std::uint8_t pm, std::span<const std::uint8_t> data) {
  return frame_of({cm, pm}, data);
}

Bytes encode_reply(std::uint8_t status, std::uint8_t cm, std::uint8_t pm,
                   std::span<const std::uint8_t> data) {
  return frame_of({status, cm, pm}, data);
}

}  // namespace readersim
