// The process-wide transaction context, the tag search over card replies, and the terminal data
// the kernel gives a card that asks for a data-object list (DOL).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ferro {

// Values of the last field 55, as the final result reports them.
struct SavedField55 {
  std::array<std::uint8_t, 3> terminal_capabilities{};
  std::array<std::uint8_t, 5> tvr{};
  std::array<std::uint8_t, 2> atc{};
  std::array<std::uint8_t, 2> aip{};
  std::array<std::uint8_t, 2> country_code{};
  std::array<std::uint8_t, 3> txn_date{};
  std::array<std::uint8_t, 6> amount{};
  std::array<std::uint8_t, 2> currency_code{};
  std::array<std::uint8_t, 6> amount_other{};
  std::array<std::uint8_t, 4> unpredictable_number{};
};

inline constexpr int kDolCapacity = 100;  // PDOL, CDOL1 and CDOL2 as read from the card
inline constexpr int kTrack2Capacity = 100;
inline constexpr int kFirstGacCapacity = 200;  // the whole first GENERATE AC command

struct PbocContext {
  std::uint8_t trans_type = 0;
  std::array<std::uint8_t, 6> amount{};  // BCD
  std::array<std::uint8_t, 4> unpredictable_number{};
  std::array<std::uint8_t, 3> txn_date{};  // BCD YY MM DD
  std::array<std::uint8_t, kDolCapacity> cdol1{};
  std::uint8_t cdol1_len = 0;
  std::array<std::uint8_t, kDolCapacity> cdol2{};
  std::uint8_t cdol2_len = 0;
  std::array<std::uint8_t, 2> aip{};
  std::array<std::uint8_t, kTrack2Capacity> track2{};
  int track2_len = 0;
  std::uint8_t pan_seq = 0;
  bool stop_after_track2 = false;
  int iad_len = 0;
  std::array<std::uint8_t, kFirstGacCapacity> first_gac_command{};
  int first_gac_command_len = 0;
  SavedField55 saved_field55{};
};

// One for the whole process; each field keeps its value until a step writes it again.
extern PbocContext pboc_context;

inline constexpr int kTagNotFound = -1;

// Byte scan for tag (one byte 0x01-0xFE, two bytes 0x0100-0xFFFE): the first occurrence whose
// one-byte length and value lie within data and whose value fits value. Copies the value, sets
// value_len and returns 0; kTagNotFound when there is none.
int find_tag(std::span<const std::uint8_t> data, unsigned tag, std::span<std::uint8_t> value,
             int& value_len);

// The terminal's data for a DOL, appended in list order to out; out_len is its length. A tag
// the terminal does not know contributes nothing. Returns false, with out_len 0, when the data
// would not fit out.
bool build_dol_data(std::span<const std::uint8_t> dol, std::span<std::uint8_t> out, int& out_len);

// Fills out with pseudo-random bytes 00 to 0F drawn from a generator seeded with the current
// time in whole seconds.
void draw_unpredictable_number(std::span<std::uint8_t> out);

}  // namespace ferro
