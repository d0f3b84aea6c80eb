// Where the reader talks to CPU-card chips: the contact channel and the contactless field (the
// chips of the card it holds) and the eight SIM/SAM sockets, each holding a SAM module.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "readersim/card.h"
#include "readersim/chip.h"

namespace readersim {

inline constexpr std::size_t kSamSockets = 8;

struct ChipSlots {
  ChipSession contact;  // the held card's contact chip; powered by its cold reset
  ChipSession field;    // the held card's contactless chip; powered by a Type A/B power on
  std::array<std::optional<Card>, kSamSockets> sams;  // SAM modules (cards with a "sam" chip)
  std::array<ChipSession, kSamSockets> sam_sessions;
  std::uint8_t sam_selected = 0;  // socket 0 to 7
  friend bool operator==(const ChipSlots&, const ChipSlots&) = default;
};

}  // namespace readersim
