#include "apdu.h"

#include <algorithm>

#include "callbacks.h"

namespace ferro {

Command& Command::add(std::span<const std::uint8_t> bytes) {
  const std::size_t count = std::min(bytes.size(), bytes_.size() - length_);
  std::copy_n(bytes.begin(), count, bytes_.begin() + length_);
  length_ += count;
  return *this;
}

int transmit(const Command& command, Reply& reply) {
  reply = Reply{};
  return callback_apdu(command.bytes(), reply);
}

int fetch_response(Reply& reply) {
  if (reply.length != 2 || reply.at(0) != 0x61) return 0;
  return transmit(Command{0x00, 0xC0, 0x00, 0x00, reply.at(1)}, reply);
}

}  // namespace ferro
