// Takes a fuzz input apart front to back: single bytes, big-endian numbers and runs of bytes.
// Past the end of the input every number reads as 0 and every run is empty.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzz {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> input) : rest_(input) {}

  bool empty() const { return rest_.empty(); }

  // Up to `n` bytes: fewer when the input ends first.
  std::span<const std::uint8_t> take(std::size_t n) {
    const auto run = rest_.first(std::min(n, rest_.size()));
    rest_ = rest_.subspan(run.size());
    return run;
  }

  // A big-endian unsigned number of `width` bytes (at most 4).
  std::uint32_t number(std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const auto byte = take(1);
      value = value << 8 | (byte.empty() ? 0 : byte[0]);
    }
    return value;
  }

  std::uint8_t byte() { return static_cast<std::uint8_t>(number(1)); }

 private:
  std::span<const std::uint8_t> rest_;
};

}  // namespace fuzz
