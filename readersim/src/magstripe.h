// Magnetic stripe tracks: which characters each track can hold, and how they are recorded.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "readersim/frame.h"
#include "readersim/reader_state.h"

namespace readersim {

// Why `chars` cannot be recorded on track `track` (1 to 3), or nothing when it can.
std::optional<std::string> track_problem(int track, std::string_view chars);

// Flux bits of a track as recorded: start sentinel, characters, end sentinel and LRC, each
// character with its odd parity bit, all bits packed LSB first. Empty for an empty track.
Bytes record_track(int track, std::string_view chars);

// What the head stores when the card passes it.
MagneticData read_stripe(const Card& card);

}  // namespace readersim
