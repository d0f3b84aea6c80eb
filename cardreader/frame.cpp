#include "frame.h"

#include <algorithm>

namespace tarn {

std::uint8_t bcc(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (const std::uint8_t b : bytes) sum ^= b;
  return sum;
}

std::vector<std::uint8_t> build_frame(std::uint8_t cm, std::uint8_t pm,
                                      std::span<const std::uint8_t> data) {
  const std::size_t length = data.size() + 2;
  std::vector<std::uint8_t> frame(length + 5);
  frame[0] = kStx;
  frame[1] = static_cast<std::uint8_t>(length >> 8);
  frame[2] = static_cast<std::uint8_t>(length & 0xFF);
  frame[3] = cm;
  frame[4] = pm;
  std::copy(data.begin(), data.end(), frame.begin() + 5);
  frame[length + 3] = kEtx;
  frame[length + 4] = bcc(std::span(frame).first(length + 4));
  return frame;
}

}  // namespace tarn
