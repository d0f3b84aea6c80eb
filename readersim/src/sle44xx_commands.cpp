// "C" SLE4442 and "D" SLE4428: memory with write protection and a PSC that opens writing.
// The SLE4442 takes one-byte addresses, the SLE4428 two-byte ones; the rest is shared.
#include <algorithm>

#include "memory_chip.h"

namespace readersim {
namespace {

// Answers to reset (the library does not hand them over).
const Bytes kSle4442Atr{0xA2, 0x13, 0x10, 0x91};
const Bytes kSle4428Atr{0x92, 0x23, 0x10, 0x91};

template <class T>
std::size_t address_of(Fields& fields);
template <>
std::size_t address_of<Sle4442Chip>(Fields& fields) {
  return fields.byte();
}
template <>
std::size_t address_of<Sle4428Chip>(Fields& fields) {
  return fields.word();
}

// Address, length and (for writes) the data of a request, checked against a memory size.
struct Span {
  std::size_t address = 0;
  std::span<const std::uint8_t> data;
  std::size_t n = 0;
  std::uint8_t error = 0;
};

template <class T>
Span span_of(Fields& fields, std::size_t size, bool with_data) {
  Span s;
  s.address = address_of<T>(fields);
  s.n = fields.byte();
  if (with_data) s.data = fields.bytes(s.n);
  if (!fields.complete())
    s.error = error::kBadData;
  else if (!inside(s.address, s.n, size))
    s.error = chip_error::kOutOfRange;
  return s;
}

template <class T>
Reply verify(T& chip, Fields& fields, ReaderState&) {
  const auto psc = fields.bytes(chip.psc.value.size());
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const std::uint8_t error = present(chip.psc, psc);
  return error ? Reply::fail(error) : Reply::ok();
}

template <class T>
Reply read(T& chip, Fields& fields, ReaderState&) {
  const Span s = span_of<T>(fields, chip.memory.size(), false);
  if (s.error) return Reply::fail(s.error);
  const auto first = chip.memory.begin() + static_cast<long>(s.address);
  return Reply::ok(Bytes(first, first + static_cast<long>(s.n)));
}

// Protected bytes keep their value: a write that would change one is refused as a whole.
template <class T>
bool protected_bytes_kept(const T& chip, const Span& s) {
  for (std::size_t k = 0; k < s.n; ++k) {
    const std::size_t a = s.address + k;
    if (a < chip.writable.size() && !chip.writable[a] && chip.memory[a] != s.data[k]) return false;
  }
  return true;
}

// Write ("4442" "5", "4428" "4"), and for the SLE4428 write with protection ("5").
template <class T, bool protect>
Reply write(T& chip, Fields& fields, ReaderState&) {
  const Span s = span_of<T>(fields, chip.memory.size(), true);
  if (s.error) return Reply::fail(s.error);
  if (!chip.psc.presented || !protected_bytes_kept(chip, s))
    return Reply::fail(chip_error::kDenied);
  std::copy(s.data.begin(), s.data.end(), chip.memory.begin() + static_cast<long>(s.address));
  if (protect) std::fill_n(chip.writable.begin() + static_cast<long>(s.address), s.n, 0);
  return Reply::ok();
}

template <class T>
Reply change_psc(T& chip, Fields& fields, ReaderState&) {
  const auto psc = fields.bytes(chip.psc.value.size());
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (!chip.psc.presented) return Reply::fail(chip_error::kDenied);
  chip.psc.value.assign(psc.begin(), psc.end());
  return Reply::ok();
}

// ---- SLE4442 only ----

// One byte per protected-area byte: 1 still writable, 0 protected.
Reply read_protection_4442(Sle4442Chip& chip, Fields& fields, ReaderState&) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  return Reply::ok(chip.writable);
}

// The error counter (one bit per attempt left), then the PSC, which reads as zeros until it
// has been presented.
Reply read_security_memory(Sle4442Chip& chip, Fields& fields, ReaderState&) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  Bytes security{static_cast<std::uint8_t>((1u << chip.psc.attempts) - 1), 0, 0, 0};
  if (chip.psc.presented)
    std::copy(chip.psc.value.begin(), chip.psc.value.end(), security.begin() + 1);
  return Reply::ok(security);
}

// Protects bytes of 0..31 whose value equals the data given (the chip compares first).
Reply protect_4442(Sle4442Chip& chip, Fields& fields, ReaderState&) {
  const Span s = span_of<Sle4442Chip>(fields, kSle4442Protected, true);
  if (s.error) return Reply::fail(s.error);
  const auto at = chip.memory.begin() + static_cast<long>(s.address);
  if (!chip.psc.presented || !std::equal(s.data.begin(), s.data.end(), at))
    return Reply::fail(chip_error::kDenied);
  std::fill_n(chip.writable.begin() + static_cast<long>(s.address), s.n, 0);
  return Reply::ok();
}

// ---- SLE4428 only ----

Reply read_protection_4428(Sle4428Chip& chip, Fields& fields, ReaderState&) {
  const Span s = span_of<Sle4428Chip>(fields, kSle4428Size, false);
  if (s.error) return Reply::fail(s.error);
  const auto first = chip.writable.begin() + static_cast<long>(s.address);
  return Reply::ok(Bytes(first, first + static_cast<long>(s.n)));
}

}  // namespace

void add_sle44xx_commands(CommandTable& table) {
  using C = Sle4442Chip;
  table.add('C',
            by_pm({{'0', chip_reset<C>(kSle4442Atr)},
                   {'1', on_chip<C>(verify<C>)},
                   {'2', on_chip<C>(read<C>)},
                   {'3', on_chip<C>(read_protection_4442)},
                   {'4', on_chip<C>(read_security_memory)},
                   {'5', on_chip<C>(write<C, false>)},
                   {'6', on_chip<C>(protect_4442)},
                   {'7', on_chip<C>(change_psc<C>)}}),
            true);
  using D = Sle4428Chip;
  table.add('D',
            by_pm({{'0', chip_reset<D>(kSle4428Atr)},
                   {'1', on_chip<D>(verify<D>)},
                   {'2', on_chip<D>(read<D>)},
                   {'3', on_chip<D>(read_protection_4428)},
                   {'4', on_chip<D>(write<D, false>)},
                   {'5', on_chip<D>(write<D, true>)},
                   {'6', on_chip<D>(change_psc<D>)}}),
            true);
}

}  // namespace readersim
