// What the memory-card, Mifare and ISO 15693 families share: their error bytes, reading the
// request data field by field, reaching the held card's chip, passwords and attempt counters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "command_table.h"

namespace readersim {

// Error bytes of negative replies (README.md, section on memory cards), next to error::*.
namespace chip_error {
inline constexpr std::uint8_t kNoChip = '7';            // no chip of the command's kind answers
inline constexpr std::uint8_t kNotPowered = '8';        // the chip is not powered: reset it first
inline constexpr std::uint8_t kRefused = ';';           // wrong password, key or authentication
inline constexpr std::uint8_t kLocked = '<';            // no attempts (or erasures) left
inline constexpr std::uint8_t kDenied = '=';            // not allowed in the chip's present state
inline constexpr std::uint8_t kOutOfRange = '>';        // address, length, block or page outside
inline constexpr std::uint8_t kNotValue = '?';          // not a value block, or the value overflows
inline constexpr std::uint8_t kNotSelected = '@';       // no card selected: DetectCard first
inline constexpr std::uint8_t kNotAuthenticated = 'A';  // the block's sector is not authenticated
}  // namespace chip_error

// Reads request data from the front: bytes, two-byte numbers (high first) and runs of bytes.
class Fields {
 public:
  explicit Fields(const Bytes& data) : data_(data) {}
  std::uint8_t byte();
  std::size_t word();
  std::span<const std::uint8_t> bytes(std::size_t n);
  // True when every read found its bytes and nothing is left over.
  bool complete() const { return ok_ && at_ == data_.size(); }

 private:
  const Bytes& data_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// True when [address, address + n) lies inside a memory of `size` bytes.
inline bool inside(std::size_t address, std::size_t n, std::size_t size) {
  return address <= size && n <= size - address;
}

// The result of presenting a password: 0 when accepted, else the error byte. A wrong one uses
// up an attempt; with none left even the right one is refused.
std::uint8_t present(ChipPassword& password, std::span<const std::uint8_t> value);

// The memory chip of kind T that the held card carries at the contact station, or the error
// byte that says why it cannot be reached. With `needs_power`, a chip whose contacts are not
// powered forgets what was presented and is refused.
template <class T>
struct Reached {
  T* chip = nullptr;
  std::uint8_t error = 0;
};

// The held card's memory chip at the contact station; null with the error byte otherwise.
MemoryCard* memory_card_at_contacts(ReaderState& state, std::uint8_t& error);
// False (error byte set) when the contacts are not powered; the chip then forgets what was
// presented, as it does when it finds power again.
bool power_check(const ReaderState& state, MemoryCard& card, std::uint8_t& error);
// Makes the chip forget what was presented (as at power-up).
void forget_presented(MemoryCard& card);

template <class T>
Reached<T> reach(ReaderState& state, bool needs_power = true) {
  std::uint8_t error = 0;
  MemoryCard* card = memory_card_at_contacts(state, error);
  if (!card) return {nullptr, error};
  T* chip = std::get_if<T>(&card->chip);
  if (!chip) return {nullptr, chip_error::kNoChip};
  if (needs_power && !power_check(state, *card, error)) return {nullptr, error};
  return {chip, 0};
}

// A handler for one chip kind: `run` gets the reached chip and the request's fields.
template <class T>
using ChipAction = Reply (*)(T& chip, Fields& fields, ReaderState& state);

template <class T>
Handler on_chip(ChipAction<T> run, bool needs_power = true) {
  return [run, needs_power](const Request& request, ReaderState& state) {
    const Reached<T> reached = reach<T>(state, needs_power);
    if (!reached.chip) return Reply::fail(reached.error);
    Fields fields(request.data);
    return run(*reached.chip, fields, state);
  };
}

// The family's reset: powers the contacts and the chip, which forgets what was presented.
template <class T>
Handler chip_reset(Bytes answer = {}) {
  return [answer](const Request& request, ReaderState& state) {
    if (!request.data.empty()) return Reply::fail(error::kBadData);
    const Reached<T> reached = reach<T>(state, false);
    if (!reached.chip) return Reply::fail(reached.error);
    state.contact_power = true;
    MemoryCard& card = *state.card->card.memory;
    forget_presented(card);
    card.powered = true;
    return Reply::ok(answer);
  };
}

// The families, one source each.
void add_eeprom_commands(CommandTable& table);      // ">" AT24Cxx, "?" AT45DB041
void add_at88sc102_commands(CommandTable& table);   // "@"
void add_at88sc16xx_commands(CommandTable& table);  // "A" AT88SC1604, "B" AT88SC1608
void add_sle44xx_commands(CommandTable& table);     // "C" SLE4442, "D" SLE4428

}  // namespace readersim
