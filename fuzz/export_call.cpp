#include "export_call.h"

#include <algorithm>

#include "byte_reader.h"

namespace fuzz {
namespace {

constexpr std::size_t kCanaries = 32;
constexpr long long kMaxInput = 64 * 1024;

std::uint8_t canary(std::size_t i) {
  return static_cast<std::uint8_t>(0xC5 ^ i);
}

}  // namespace

ExportCall::ExportCall(void* port, std::span<const std::uint8_t> arguments) : port_(port) {
  ByteReader reader(arguments);
  for (std::size_t i = 0; i < kArguments; ++i) {
    arguments_.push_back(static_cast<int>(reader.number(4)));
  }
}

int ExportCall::arg(std::size_t index) const {
  return arguments_.at(index);
}

const unsigned char* ExportCall::in(long long size) {
  const auto n = static_cast<std::size_t>(std::clamp(size, 0LL, kMaxInput));
  auto bytes = std::make_unique<std::uint8_t[]>(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  inputs_.push_back(std::move(bytes));
  return inputs_.back().get();
}

unsigned char* ExportCall::out(std::size_t largest) {
  auto bytes = std::make_unique<std::uint8_t[]>(largest + kCanaries);
  for (std::size_t i = 0; i < kCanaries; ++i) bytes[largest + i] = canary(i);
  outputs_.push_back({std::move(bytes), largest});
  return outputs_.back().bytes.get();
}

std::string ExportCall::damaged_canary() const {
  for (std::size_t k = 0; k < outputs_.size(); ++k) {
    const Output& output = outputs_[k];
    for (std::size_t i = 0; i < kCanaries; ++i) {
      if (output.bytes[output.largest + i] != canary(i)) {
        return "output " + std::to_string(k) + " (largest " + std::to_string(output.largest) +
               " bytes) written at byte " + std::to_string(output.largest + i);
      }
    }
  }
  return {};
}

}  // namespace fuzz
