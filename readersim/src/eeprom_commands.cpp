// ">" AT24Cxx serial EEPROM (no reset: the reader powers the chip for each access) and "?"
// AT45DB041 serial flash in 264-byte pages.
#include <algorithm>

#include "memory_chip.h"

namespace readersim {
namespace {

constexpr std::uint8_t kAt24cTypes[] = {1, 2, 4, 8, 16, 32, 64, 128};

// The request names the chip by its type byte: an unknown type is a request error, another
// chip's type finds no chip of that kind.
std::uint8_t type_error(const At24cChip& chip, std::uint8_t type) {
  if (std::find(std::begin(kAt24cTypes), std::end(kAt24cTypes), type) == std::end(kAt24cTypes))
    return error::kBadData;
  return type == chip.type ? 0 : chip_error::kNoChip;
}

// Type, length, address (two bytes), and for a write the data.
Reply at24c_access(At24cChip& chip, Fields& fields, bool write) {
  const std::uint8_t type = fields.byte();
  const std::size_t n = fields.byte();
  const std::size_t address = fields.word();
  const auto data = write ? fields.bytes(n) : std::span<const std::uint8_t>{};
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (const std::uint8_t error = type_error(chip, type)) return Reply::fail(error);
  if (!inside(address, n, chip.memory.size())) return Reply::fail(chip_error::kOutOfRange);
  const auto at = chip.memory.begin() + static_cast<long>(address);
  if (!write) return Reply::ok(Bytes(at, at + static_cast<long>(n)));
  std::copy(data.begin(), data.end(), at);
  return Reply::ok();
}

Reply at24c_read(At24cChip& chip, Fields& fields, ReaderState&) {
  return at24c_access(chip, fields, false);
}

Reply at24c_write(At24cChip& chip, Fields& fields, ReaderState&) {
  return at24c_access(chip, fields, true);
}

// Page number (two bytes), and for a write the 264 bytes of the page.
Reply at45_access(At45Chip& chip, Fields& fields, bool write) {
  const std::size_t page = fields.word();
  const auto data = write ? fields.bytes(kAt45PageSize) : std::span<const std::uint8_t>{};
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (page >= kAt45Pages) return Reply::fail(chip_error::kOutOfRange);
  const auto at = chip.memory.begin() + static_cast<long>(page * kAt45PageSize);
  if (!write) return Reply::ok(Bytes(at, at + static_cast<long>(kAt45PageSize)));
  std::copy(data.begin(), data.end(), at);
  return Reply::ok();
}

Reply at45_read(At45Chip& chip, Fields& fields, ReaderState&) {
  return at45_access(chip, fields, false);
}

Reply at45_write(At45Chip& chip, Fields& fields, ReaderState&) {
  return at45_access(chip, fields, true);
}

}  // namespace

void add_eeprom_commands(CommandTable& table) {
  table.add('>',
            by_pm({{'0', on_chip<At24cChip>(at24c_read, false)},
                   {'1', on_chip<At24cChip>(at24c_write, false)}}),
            true);
  table.add('?',
            by_pm({{'0', chip_reset<At45Chip>()},
                   {'1', on_chip<At45Chip>(at45_read)},
                   {'2', on_chip<At45Chip>(at45_write)}}),
            true);
}

}  // namespace readersim
