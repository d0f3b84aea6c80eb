// One trace text: assembled from pieces, each formatted on its own into a 200-byte line buffer,
// in a 1024-byte text buffer. A text that would not fit is cut after the last whole piece that
// leaves room for "...", so a cut never splits a piece and always shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ferro {

class TraceText {
 public:
  static constexpr std::size_t kCapacity = 1024;  // terminating zero included
  static constexpr std::size_t kLineCapacity = 200;

  TraceText() = default;
  TraceText(const TraceText&) = delete;
  TraceText& operator=(const TraceText&) = delete;

  void add(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Each byte as two upper-case hexadecimal digits, no separator.
  void add_hex(std::span<const std::uint8_t> bytes);
  const char* c_str() const { return text_.data(); }

 private:
  void append(const char* piece, std::size_t length);

  std::array<char, kCapacity> text_{};
  std::size_t length_ = 0;
  std::size_t last_cut_point_ = 0;  // end of the last piece that leaves room for the mark
  bool cut_ = false;
};

}  // namespace ferro
