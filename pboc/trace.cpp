#include "trace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace ferro {
namespace {

constexpr char kCutMark[] = "...";
constexpr std::size_t kCutMarkLength = sizeof(kCutMark) - 1;
constexpr std::size_t kMaxLength = TraceText::kCapacity - 1;

}  // namespace

void TraceText::add(const char* format, ...) {
  std::array<char, kLineCapacity> line{};
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(line.data(), line.size(), format, args);
  va_end(args);
  if (written < 0) return;
  append(line.data(), std::min<std::size_t>(static_cast<std::size_t>(written), line.size() - 1));
}

void TraceText::add_hex(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (cut_) return;
    add("%02X", byte);
  }
}

void TraceText::append(const char* piece, std::size_t length) {
  if (cut_) return;
  if (length_ + length > kMaxLength) {
    cut_ = true;
    std::memcpy(text_.data() + last_cut_point_, kCutMark, kCutMarkLength);
    length_ = last_cut_point_ + kCutMarkLength;
    text_[length_] = '\0';
    return;
  }
  std::memcpy(text_.data() + length_, piece, length);
  length_ += length;
  text_[length_] = '\0';
  if (length_ + kCutMarkLength <= kMaxLength) last_cut_point_ = length_;
}

}  // namespace ferro
