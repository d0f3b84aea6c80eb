#include "frame.h"

namespace tarn {

std::uint8_t bcc(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (const std::uint8_t b : bytes) sum ^= b;
  return sum;
}

std::vector<std::uint8_t> build_frame(std::uint8_t cm, std::uint8_t pm,
                                      std::span<const std::uint8_t> data) {
  const std::size_t length = data.size() + 2;
  std::vector<std::uint8_t> frame{kStx, static_cast<std::uint8_t>(length >> 8),
                                  static_cast<std::uint8_t>(length & 0xFF), cm, pm};
  frame.reserve(length + 5);
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(kEtx);
  frame.push_back(bcc(frame));
  return frame;
}

}  // namespace tarn
