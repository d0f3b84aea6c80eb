// "@" AT88SC102: security code, two application zones with erase keys, issuer and security
// modes, the zone 2 erase counter. Memory map (bytes) in README.md.
#include <algorithm>

#include "memory_chip.h"

namespace readersim {
namespace {

struct Area {
  std::size_t from, to;  // [from, to)
};

constexpr Area kIssuerZone{2, 10};
constexpr Area kZone1{22, 86};
constexpr Area kZone2{92, 156};
constexpr std::uint8_t kSecurityMode = '1';
constexpr std::uint8_t kIssuerMode = '0';
constexpr std::uint8_t kZone2Name = '2';
constexpr std::uint8_t kErased = 0xFF;

// Bytes that Write and Security1Erasure may change: the code-protected zone, both application
// zones, the test zone, and the issuer zone until the security mode; never the fabrication
// zone, the keys, the attempts counter or the erase counter (WritePWD changes the keys).
bool writable(const At88sc102Chip& chip, std::size_t address) {
  const auto in = [address](Area a) { return address >= a.from && address < a.to; };
  if (in(kIssuerZone)) return !chip.security_mode;
  return in({14, 22}) || in(kZone1) || in(kZone2) || in({176, 178});
}

bool key_byte(std::size_t address) {
  const auto in = [address](std::size_t from, std::size_t n) {
    return address >= from && address < from + n;
  };
  return in(kAt88sc102CodeAt, 2) || in(kAt88sc102Zone1KeyAt, 6) || in(kAt88sc102Zone2KeyAt, 4);
}

// Checks a range for Write or Security1Erasure; 0 when the bytes may change.
std::uint8_t change_error(const At88sc102Chip& chip, std::size_t address, std::size_t n) {
  if (!inside(address, n, kAt88sc102Size)) return chip_error::kOutOfRange;
  if (!chip.code.presented) return chip_error::kDenied;
  for (std::size_t a = address; a < address + n; ++a)
    if (!writable(chip, a)) return chip_error::kDenied;
  return 0;
}

Reply verify(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  const auto code = fields.bytes(2);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const std::uint8_t error = present(chip.code, code);
  return error ? Reply::fail(error) : Reply::ok();
}

// In the security mode the keys read as FF.
Reply read(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  const std::size_t address = fields.byte(), n = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (!inside(address, n, kAt88sc102Size)) return Reply::fail(chip_error::kOutOfRange);
  Bytes data(n);
  for (std::size_t k = 0; k < n; ++k)
    data[k] = chip.security_mode && key_byte(address + k) ? kErased : chip.memory[address + k];
  return Reply::ok(data);
}

Reply write(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  const std::size_t address = fields.byte(), n = fields.byte();
  const auto data = fields.bytes(n);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (const std::uint8_t error = change_error(chip, address, n)) return Reply::fail(error);
  std::copy(data.begin(), data.end(), chip.memory.begin() + static_cast<long>(address));
  return Reply::ok();
}

// The first byte is the address, the second the number of bytes to erase (to FF).
Reply erase(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  const std::size_t address = fields.byte(), n = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (const std::uint8_t error = change_error(chip, address, n)) return Reply::fail(error);
  std::fill_n(chip.memory.begin() + static_cast<long>(address), n, kErased);
  return Reply::ok();
}

bool key_matches(const At88sc102Chip& chip, std::size_t at, std::span<const std::uint8_t> key) {
  return std::equal(key.begin(), key.end(), chip.memory.begin() + static_cast<long>(at));
}

void erase_area(At88sc102Chip& chip, Area area) {
  std::fill(chip.memory.begin() + static_cast<long>(area.from),
            chip.memory.begin() + static_cast<long>(area.to), kErased);
}

Reply erase_zone1(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  const auto key = fields.bytes(6);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (!chip.code.presented) return Reply::fail(chip_error::kDenied);
  if (!key_matches(chip, kAt88sc102Zone1KeyAt, key)) return Reply::fail(chip_error::kRefused);
  erase_area(chip, kZone1);
  return Reply::ok();
}

// The leading byte names the zone: "2". While counted, zone 2 takes 128 erasures.
Reply erase_zone2(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  const std::uint8_t zone = fields.byte();
  const auto key = fields.bytes(4);
  if (!fields.complete() || zone != kZone2Name) return Reply::fail(error::kBadData);
  if (!chip.code.presented) return Reply::fail(chip_error::kDenied);
  if (chip.ec2_enabled && chip.ec2_left == 0) return Reply::fail(chip_error::kLocked);
  if (!key_matches(chip, kAt88sc102Zone2KeyAt, key)) return Reply::fail(chip_error::kRefused);
  erase_area(chip, kZone2);
  if (chip.ec2_enabled) --chip.ec2_left;
  return Reply::ok();
}

// Selector "0" the security code (2 bytes), "1" the zone 1 key (6), "2" the zone 2 key (4).
Reply write_key(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  static constexpr struct {
    std::size_t at, size;
  } kKeys[] = {{kAt88sc102CodeAt, 2}, {kAt88sc102Zone1KeyAt, 6}, {kAt88sc102Zone2KeyAt, 4}};
  const std::size_t selector = fields.byte() - std::size_t{'0'};
  if (selector >= std::size(kKeys)) return Reply::fail(error::kBadData);
  const auto key = fields.bytes(kKeys[selector].size);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (!chip.code.presented) return Reply::fail(chip_error::kDenied);
  std::copy(key.begin(), key.end(), chip.memory.begin() + static_cast<long>(kKeys[selector].at));
  if (selector == 0) chip.code.value.assign(key.begin(), key.end());
  return Reply::ok();
}

// Mode "1" blows the issuer fuse (for good); "0" keeps the issuer mode.
Reply set_mode(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  const std::uint8_t mode = fields.byte();
  if (!fields.complete() || (mode != kSecurityMode && mode != kIssuerMode))
    return Reply::fail(error::kBadData);
  if (!chip.code.presented || (mode == kIssuerMode && chip.security_mode))
    return Reply::fail(chip_error::kDenied);
  if (mode == kSecurityMode) chip.security_mode = true;
  return Reply::ok();
}

// Zone 2 erasures stop being counted; only in the issuer mode.
Reply disable_ec2(At88sc102Chip& chip, Fields& fields, ReaderState&) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (!chip.code.presented || chip.security_mode) return Reply::fail(chip_error::kDenied);
  chip.ec2_enabled = false;
  return Reply::ok();
}

}  // namespace

void add_at88sc102_commands(CommandTable& table) {
  using C = At88sc102Chip;
  table.add('@',
            by_pm({{'0', chip_reset<C>()},
                   {'1', on_chip<C>(verify)},
                   {'2', on_chip<C>(read)},
                   {'3', on_chip<C>(erase)},
                   {'4', on_chip<C>(erase_zone1)},
                   {'5', on_chip<C>(erase_zone2)},
                   {'6', on_chip<C>(write)},
                   {'7', on_chip<C>(write_key)},
                   {'8', on_chip<C>(set_mode)},
                   {'9', on_chip<C>(disable_ec2)}}),
            true);
}

}  // namespace readersim
