// The arguments of one export call made from fuzz input: integers from an argument block, input
// buffers of exactly the size the export may read, and output buffers followed by canary bytes
// right after the largest output the export documents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace fuzz {

class ExportCall {
 public:
  static constexpr std::size_t kArguments = 8;  // 4 bytes each, big-endian

  ExportCall(void* port, std::span<const std::uint8_t> arguments);

  void* port() const { return port_; }
  // Argument `index` of the block (0 when the block is short): any int, in range or not.
  int arg(std::size_t index) const;
  // A buffer the export reads: exactly `size` bytes of a fixed pattern (none for size <= 0;
  // capped at 64 KiB, far beyond any request an export accepts).
  const unsigned char* in(long long size);
  // Output buffers: `largest` bytes followed by canaries.
  unsigned char* out(std::size_t largest);
  char* text(std::size_t largest) { return reinterpret_cast<char*>(out(largest)); }
  int* out_int() { return reinterpret_cast<int*>(out(sizeof(int))); }

  // Describes the first output whose canary bytes changed; empty when all are intact.
  std::string damaged_canary() const;

 private:
  struct Output {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t largest;
  };

  void* port_;
  std::vector<int> arguments_;
  std::vector<std::unique_ptr<std::uint8_t[]>> inputs_;
  std::vector<Output> outputs_;
};

}  // namespace fuzz
