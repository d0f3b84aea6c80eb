// The command exchange that every framed command runs: lock, purge, frame, receive, check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "receivers.h"
#include "reply.h"

namespace tarn {

struct Command {
  std::uint8_t cm;
  std::uint8_t pm;
  std::span<const std::uint8_t> data = {};
  std::size_t reply_size = 100;
  HeaderWait wait = HeaderWait::Normal;
};

// Hands a positive reply to the caller's outputs; returns 0, or a result code when the reply
// cannot be handed over (outputs then stay untouched).
using Unpack = std::function<int(const Reply&)>;

// Runs the framed conversation and leaves the reply to the caller: -101 for a null handle, the
// receiver's code, or 0 with the reply frame in `reply` (the command's reply buffer); neither the
// CM echo nor the status byte is looked at.
int exchange(void* handle, const Command& command, Reply& reply);

// Runs one command: -101 for a null handle; the receiver's code; -1 for a wrong CM echo; the
// error byte of a negative reply (-200 when that byte is 0); else what `unpack` returns (0 when
// there is nothing to unpack).
int run_command(void* handle, const Command& command, const Unpack& unpack = {});

// The card entry: the same frame, the card-entry receiver with its wait, -3 when it fails.
int run_card_entry(void* handle, std::uint8_t pm, unsigned wait_ms);

// Takes the low byte of an integer argument.
inline std::uint8_t low_byte(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace tarn
