// Memory-card chips of the virtual reader (AT24Cxx, AT45DB041, AT88SC102, AT88SC1604,
// AT88SC1608, SLE4442, SLE4428): what they store and what they remember while powered.
// README.md gives the card-file format and what each model simplifies.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "readersim/frame.h"

namespace readersim {

// A password, security code or PSC with its attempt counter.
struct ChipPassword {
  Bytes value;
  std::uint8_t attempts = 0;      // attempts left; 0: locked for good
  std::uint8_t max_attempts = 0;  // restored by a right presentation
  bool presented = false;         // presented since the chip was last powered
  friend bool operator==(const ChipPassword&, const ChipPassword&) = default;
};

// Serial EEPROM; its size follows from the chip-type byte (the chip's capacity in kbit).
struct At24cChip {
  std::uint8_t type = 0x02;  // 1, 2, 4, 8, 16, 32, 64 or 128
  Bytes memory;              // type x 128 bytes
  friend bool operator==(const At24cChip&, const At24cChip&) = default;
};

inline constexpr std::size_t kAt45Pages = 2048;
inline constexpr std::size_t kAt45PageSize = 264;

struct At45Chip {
  Bytes memory;  // kAt45Pages pages of kAt45PageSize bytes
  friend bool operator==(const At45Chip&, const At45Chip&) = default;
};

inline constexpr std::size_t kAt88sc102Size = 178;
// Where the keys live in the AT88SC102's memory.
inline constexpr std::size_t kAt88sc102CodeAt = 10;       // security code, 2 bytes
inline constexpr std::size_t kAt88sc102Zone1KeyAt = 86;   // zone 1 erase key, 6 bytes
inline constexpr std::size_t kAt88sc102Zone2KeyAt = 156;  // zone 2 erase key, 4 bytes

// Security memory with a security code, two application zones and their erase keys; the keys
// live in memory at their addresses (README.md gives the map).
struct At88sc102Chip {
  Bytes memory;                 // kAt88sc102Size bytes
  ChipPassword code;            // the security code (its value mirrors memory 10..11)
  bool security_mode = false;   // issuer fuse blown (SetMode "1")
  bool ec2_enabled = true;      // zone 2 erasures are counted
  std::uint8_t ec2_left = 128;  // zone 2 erasures left while counted
  friend bool operator==(const At88sc102Chip&, const At88sc102Chip&) = default;
};

inline constexpr std::size_t kAt88sc1604Size = 2048;

// A common area and four application zones, each zone with its own password.
struct At88sc1604Chip {
  Bytes memory;                         // kAt88sc1604Size bytes
  std::vector<ChipPassword> passwords;  // "0" security code, "1".."4" zones 1 to 4
  bool personalized = false;
  friend bool operator==(const At88sc1604Chip&, const At88sc1604Chip&) = default;
};

inline constexpr std::size_t kAt88sc1608Zones = 8;
inline constexpr std::size_t kAt88sc1608ZoneSize = 256;
inline constexpr std::size_t kAt88sc1608ConfigSize = 128;

// Eight user zones with a password each, a configuration zone, three fuses and an
// authentication secret.
struct At88sc1608Chip {
  Bytes memory;                         // zones 0..7, 256 bytes each
  Bytes config;                         // configuration zone, kAt88sc1608ConfigSize bytes
  std::vector<ChipPassword> passwords;  // "0".."7"; "7" is the secure code
  Bytes secret;                         // 8 bytes; empty: the user zones need no authentication
  std::uint8_t auth_attempts = 8;
  Bytes challenge;  // from InitAuth, until VerifyAuth
  bool authenticated = false;
  std::uint8_t fuses_blown = 0;  // FAB, CMA, PER blow in that order
  friend bool operator==(const At88sc1608Chip&, const At88sc1608Chip&) = default;
};

inline constexpr std::size_t kSle4442Size = 256;
inline constexpr std::size_t kSle4442Protected = 32;

// 256 bytes, write protection for bytes 0..31, a 3-byte PSC with three attempts.
struct Sle4442Chip {
  Bytes memory;    // kSle4442Size bytes
  Bytes writable;  // kSle4442Protected flags: 1 writable, 0 protected for good
  ChipPassword psc;
  friend bool operator==(const Sle4442Chip&, const Sle4442Chip&) = default;
};

inline constexpr std::size_t kSle4428Size = 1024;

// 1 KiB, write protection for every byte, a 2-byte PSC with eight attempts.
struct Sle4428Chip {
  Bytes memory;    // kSle4428Size bytes
  Bytes writable;  // one flag per byte: 1 writable, 0 protected for good
  ChipPassword psc;
  friend bool operator==(const Sle4428Chip&, const Sle4428Chip&) = default;
};

using MemoryChip = std::variant<At24cChip, At45Chip, At88sc102Chip, At88sc1604Chip, At88sc1608Chip,
                                Sle4442Chip, Sle4428Chip>;

struct MemoryCard {
  MemoryChip chip;
  bool powered = false;  // by the family's reset; a chip without power forgets what was presented
  friend bool operator==(const MemoryCard&, const MemoryCard&) = default;
};

}  // namespace readersim
