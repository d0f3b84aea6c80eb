// ISO 15693 vicinity tags of the virtual reader: UID, 4-byte blocks with their locks, AFI and
// DSFID with theirs. README.md gives the card-file format and the reader's conventions.
#pragma once

#include <cstdint>

#include "readersim/frame.h"

namespace readersim {

inline constexpr std::size_t kIso15693Block = 4;

struct Iso15693Tag {
  Bytes uid;     // 8 bytes, most significant (0xE0) first, as the reader hands it over
  Bytes memory;  // blocks of kIso15693Block bytes
  Bytes locked;  // one flag per block: 1 locked for good
  std::uint8_t afi = 0;
  std::uint8_t dsfid = 0;
  bool afi_locked = false;
  bool dsfid_locked = false;
  std::uint8_t ic_reference = 0;
  bool selected = false;  // ChooseCard selected it
  friend bool operator==(const Iso15693Tag&, const Iso15693Tag&) = default;
};

}  // namespace readersim
