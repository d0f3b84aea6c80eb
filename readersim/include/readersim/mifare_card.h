// Mifare cards of the virtual reader: Classic 1K (S50) and 4K (S70) with sectors, trailers, keys
// A and B and access bits, and UltraLight with its 4-byte pages. README.md gives the card-file
// format and the reader's selector bytes.
#pragma once

#include <cstdint>
#include <optional>

#include "readersim/frame.h"

namespace readersim {

enum class MifareType : std::uint8_t { S50, S70, UltraLight };

inline constexpr std::size_t kMifareBlock = 16;
inline constexpr std::size_t kUltraLightPage = 4;
inline constexpr std::size_t kUltraLightPages = 16;

// The sector that the reader authenticated, and with which key.
struct MifareAuth {
  unsigned sector = 0;
  bool key_b = false;
  friend bool operator==(const MifareAuth&, const MifareAuth&) = default;
};

struct MifareCard {
  MifareType type = MifareType::S50;
  Bytes uid;     // 4 bytes (Classic) or 7 (UltraLight)
  Bytes memory;  // Classic: 64 or 256 blocks of 16 bytes; UltraLight: 16 pages of 4 bytes
  // While in the field:
  bool selected = false;           // DetectCard selected it; Halt ends that
  std::optional<MifareAuth> auth;  // the reader's authentication after LoadSecKey
  friend bool operator==(const MifareCard&, const MifareCard&) = default;
};

}  // namespace readersim
