#include "port_table.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace tarn {
namespace {

constexpr unsigned kIndexBits = 16;
constexpr std::uintptr_t kIndexMask = (1u << kIndexBits) - 1;

struct Slot {
  PortRef port;
  std::uintptr_t generation = 0;
};

std::mutex table_lock;
std::vector<Slot> slots;

std::uintptr_t encode(std::size_t index, std::uintptr_t generation) {
  return (generation << kIndexBits) | (index + 1);
}

Slot* slot_of(void* handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  const std::size_t index = (value & kIndexMask) - 1;
  if ((value & kIndexMask) == 0 || index >= slots.size()) return nullptr;
  Slot& slot = slots[index];
  return slot.port && encode(index, slot.generation) == value ? &slot : nullptr;
}

}  // namespace

void* add_port(std::unique_ptr<platform::SerialPort> port) {
  std::lock_guard guard(table_lock);
  std::size_t index = 0;
  while (index < slots.size() && slots[index].port) ++index;
  if (index == slots.size()) {
    if (index > kIndexMask - 1) return nullptr;
    slots.emplace_back();
  }
  Slot& slot = slots[index];
  slot.port = std::move(port);
  ++slot.generation;
  return reinterpret_cast<void*>(encode(index, slot.generation));
}

PortRef find_port(void* handle) {
  std::lock_guard guard(table_lock);
  const Slot* slot = slot_of(handle);
  return slot ? slot->port : nullptr;
}

bool close_port(void* handle) {
  PortRef port;
  {
    std::lock_guard guard(table_lock);
    Slot* slot = slot_of(handle);
    if (!slot) return false;
    port = std::move(slot->port);
  }
  return port->close();
}

}  // namespace tarn
