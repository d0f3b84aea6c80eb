// The four callbacks the caller registers by name, and the three transport steps through which
// every flow reaches the card. Each step traces what it sends and receives.
#pragma once

#include <cstdint>
#include <span>

#include "apdu.h"

namespace ferro {

inline constexpr char kVersionText[] = "Ferro v201901151722";

// Stores fn in the slot named name; 0, or 1 when the name matches no slot.
int set_callback(const char* name, void* fn);

bool log_registered();
// Hands one trace line to the log callback, if one is registered.
void write_log(const char* func_name, int level, const char* text);

// A callback's result as the kernel keeps it: its low 8 bits, 0 to 255.
constexpr int fold_result(int result) {
  return static_cast<std::uint8_t>(result);
}

// Exchanges one APDU; reply.length is the reported length kept within the reply buffer.
int callback_apdu(std::span<const std::uint8_t> send, Reply& reply);
int callback_poweron();
int callback_poweroff();

}  // namespace ferro
