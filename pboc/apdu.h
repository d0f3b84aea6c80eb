// Card commands and replies as the kernel holds them: fixed buffers, never written or read past
// their ends whatever lengths a card or a callback reports.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace ferro {

// Every reply is received into 1024 bytes: more than any reader delivers for one APDU.
inline constexpr int kReplyCapacity = 1024;
// A short APDU: header, Lc, 255 data bytes and Le.
inline constexpr std::size_t kCommandCapacity = 261;

class Command {
 public:
  Command(std::initializer_list<std::uint8_t> bytes) { add(bytes); }

  Command& add(std::uint8_t byte) { return add(std::span(&byte, 1)); }
  Command& add(std::initializer_list<std::uint8_t> bytes) {
    return add(std::span(bytes.begin(), bytes.size()));
  }
  // Bytes that would not fit are dropped; callers size their data below the capacity.
  Command& add(std::span<const std::uint8_t> bytes);

  std::span<const std::uint8_t> bytes() const { return {bytes_.data(), length_}; }

 private:
  std::array<std::uint8_t, kCommandCapacity> bytes_{};
  std::size_t length_ = 0;
};

struct Reply {
  std::array<std::uint8_t, kReplyCapacity> bytes{};
  int length = 0;  // 0 to kReplyCapacity, status bytes included

  std::span<const std::uint8_t> all() const {
    return {bytes.data(), static_cast<std::size_t>(length)};
  }
  // The reply without its status bytes (empty when it has fewer than two bytes).
  std::span<const std::uint8_t> data() const {
    return {bytes.data(), static_cast<std::size_t>(length >= 2 ? length - 2 : 0)};
  }
  // Byte i of the reply, 0 past its end.
  std::uint8_t at(int i) const { return i >= 0 && i < length ? bytes[i] : 0; }
  bool status_ok() const { return length >= 2 && at(length - 2) == 0x90 && at(length - 1) == 0x00; }
};

// Sends a command through the APDU callback into a cleared reply; the transport result.
int transmit(const Command& command, Reply& reply);

// After a reply of exactly 61 xx, sends GET RESPONSE 00 C0 00 00 xx into the same reply and
// returns its transport result; any other reply is left alone and gives 0.
int fetch_response(Reply& reply);

}  // namespace ferro
