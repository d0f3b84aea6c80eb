// A command's reply buffer: the reply frame stored from offset 0, zero-filled beyond it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarn {

class Reply {
 public:
  explicit Reply(std::size_t capacity) : bytes_(capacity, 0) {}

  std::span<std::uint8_t> buffer() { return bytes_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::size_t capacity() const { return bytes_.size(); }

  // The length field L (status, echoes and reply data).
  std::size_t text_length() const { return static_cast<std::size_t>(at(1)) << 8 | at(2); }
  std::uint8_t status() const { return at(3); }
  std::uint8_t cm_echo() const { return at(4); }
  std::uint8_t error_byte() const { return at(6); }
  // Reply data: the L - 3 bytes after the echoes.
  std::span<const std::uint8_t> data() const {
    return std::span<const std::uint8_t>(bytes_).subspan(6, text_length() - 3);
  }
  // Reply data byte k; zero past the end of the buffer, as past the end of a short reply.
  std::uint8_t data_at(std::size_t k) const { return at(6 + k); }
  // Any byte of the buffer by frame offset; zero past its end.
  std::uint8_t at(std::size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace tarn
