// "A" AT88SC1604 (a common area and four zones with a password each) and "B" AT88SC1608 (eight
// user zones with a password each, a configuration zone, fuses, authentication).
#include <algorithm>

#include "memory_chip.h"

namespace readersim {
namespace {

constexpr std::uint8_t kErased = 0xFF;
constexpr std::uint8_t kFuse = '1';
constexpr std::size_t kSecureCode = 7;  // the 1608's password "7"

// Password selectors are the characters "0", "1", ...; none when out of range.
std::optional<std::size_t> selector(std::uint8_t byte, std::size_t count) {
  const std::size_t index = byte - std::size_t{'0'};
  return byte >= '0' && index < count ? std::optional(index) : std::nullopt;
}

template <class T>
Reply verify(T& chip, Fields& fields, ReaderState&) {
  const auto index = selector(fields.byte(), chip.passwords.size());
  const auto value = fields.bytes(chip.passwords.front().value.size());
  if (!fields.complete() || !index) return Reply::fail(error::kBadData);
  const std::uint8_t error = present(chip.passwords[*index], value);
  return error ? Reply::fail(error) : Reply::ok();
}

// ---- AT88SC1604 ----

constexpr std::size_t kCommonArea = 0x80;
constexpr std::size_t kZoneSize = 0x1E0;
constexpr std::size_t kSecurityCode = 0;

// The area of an address: 0 the common area, 1 to 4 the zones.
std::size_t area_of(std::size_t address) {
  return address < kCommonArea ? 0 : 1 + (address - kCommonArea) / kZoneSize;
}

// The password that opens every area and changes every password: the 1604's security code
// until personalization, the 1608's secure code.
bool master_open(const At88sc1604Chip& chip) {
  return chip.passwords[kSecurityCode].presented && !chip.personalized;
}

bool master_open(const At88sc1608Chip& chip) {
  return chip.passwords[kSecureCode].presented;
}

// A range may change when it lies in one area and that area is open: a zone by its password,
// any area by the security code until personalization.
std::uint8_t change_error(const At88sc1604Chip& chip, std::size_t address, std::size_t n) {
  if (!inside(address, n, kAt88sc1604Size)) return chip_error::kOutOfRange;
  if (n == 0) return 0;
  const std::size_t area = area_of(address);
  if (area_of(address + n - 1) != area) return chip_error::kOutOfRange;
  const bool own = area != 0 && chip.passwords[area].presented;
  return master_open(chip) || own ? 0 : chip_error::kDenied;
}

Reply read_1604(At88sc1604Chip& chip, Fields& fields, ReaderState&) {
  const std::size_t address = fields.word(), n = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (!inside(address, n, kAt88sc1604Size)) return Reply::fail(chip_error::kOutOfRange);
  const auto at = chip.memory.begin() + static_cast<long>(address);
  return Reply::ok(Bytes(at, at + static_cast<long>(n)));
}

Reply erase_1604(At88sc1604Chip& chip, Fields& fields, ReaderState&) {
  const std::size_t address = fields.word(), n = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (const std::uint8_t error = change_error(chip, address, n)) return Reply::fail(error);
  std::fill_n(chip.memory.begin() + static_cast<long>(address), n, kErased);
  return Reply::ok();
}

Reply write_1604(At88sc1604Chip& chip, Fields& fields, ReaderState&) {
  const std::size_t address = fields.word(), n = fields.byte();
  const auto data = fields.bytes(n);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (const std::uint8_t error = change_error(chip, address, n)) return Reply::fail(error);
  std::copy(data.begin(), data.end(), chip.memory.begin() + static_cast<long>(address));
  return Reply::ok();
}

// A password changes once it, or the master password, was presented.
template <class T>
Reply write_password(T& chip, Fields& fields, ReaderState&) {
  const auto index = selector(fields.byte(), chip.passwords.size());
  const auto value = fields.bytes(chip.passwords.front().value.size());
  if (!fields.complete() || !index) return Reply::fail(error::kBadData);
  if (!chip.passwords[*index].presented && !master_open(chip))
    return Reply::fail(chip_error::kDenied);
  chip.passwords[*index].value.assign(value.begin(), value.end());
  return Reply::ok();
}

// Byte "1" ends personalization: the security code no longer opens the zones.
Reply personalize(At88sc1604Chip& chip, Fields& fields, ReaderState&) {
  const std::uint8_t fuse = fields.byte();
  if (!fields.complete() || fuse != kFuse) return Reply::fail(error::kBadData);
  if (!chip.passwords[kSecurityCode].presented || chip.personalized)
    return Reply::fail(chip_error::kDenied);
  chip.personalized = true;
  return Reply::ok();
}

// ---- AT88SC1608 ----

constexpr std::uint8_t kConfigZone = 8;
constexpr std::uint8_t kFuses = 3;  // FAB, CMA, PER
constexpr std::uint8_t kAuthAttempts = 8;
constexpr std::size_t kAuthSize = 8;

// Zone byte 0 to 7: a user zone; 8: the configuration zone.
struct Zone {
  Bytes* bytes = nullptr;
  std::size_t address = 0;
  std::size_t n = 0;
  std::uint8_t error = 0;
};

Zone zone_range(At88sc1608Chip& chip, std::uint8_t zone, std::size_t address, std::size_t n) {
  if (zone > kConfigZone) return {nullptr, 0, 0, chip_error::kOutOfRange};
  if (zone == kConfigZone) {
    if (!inside(address, n, kAt88sc1608ConfigSize)) return {nullptr, 0, 0, chip_error::kOutOfRange};
    return {&chip.config, address, n, 0};
  }
  if (!inside(address, n, kAt88sc1608ZoneSize)) return {nullptr, 0, 0, chip_error::kOutOfRange};
  return {&chip.memory, zone * kAt88sc1608ZoneSize + address, n, 0};
}

// User zones need the authentication when the card has a secret.
bool auth_missing(const At88sc1608Chip& chip, std::uint8_t zone) {
  return zone != kConfigZone && !chip.secret.empty() && !chip.authenticated;
}

Reply read_1608(At88sc1608Chip& chip, Fields& fields, ReaderState&) {
  const std::uint8_t zone = fields.byte();
  const std::size_t address = fields.byte(), n = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const Zone z = zone_range(chip, zone, address, n);
  if (z.error) return Reply::fail(z.error);
  if (auth_missing(chip, zone)) return Reply::fail(chip_error::kDenied);
  const auto at = z.bytes->begin() + static_cast<long>(z.address);
  return Reply::ok(Bytes(at, at + static_cast<long>(n)));
}

// A user zone opens with its password, the configuration zone with the secure code until the
// last fuse (PER) is blown.
bool zone_open(const At88sc1608Chip& chip, std::uint8_t zone) {
  if (zone == kConfigZone)
    return chip.passwords[kSecureCode].presented && chip.fuses_blown < kFuses;
  return chip.passwords[zone].presented && !auth_missing(chip, zone);
}

Reply write_1608(At88sc1608Chip& chip, Fields& fields, ReaderState&) {
  const std::uint8_t zone = fields.byte();
  const std::size_t address = fields.byte(), n = fields.byte();
  const auto data = fields.bytes(n);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const Zone z = zone_range(chip, zone, address, n);
  if (z.error) return Reply::fail(z.error);
  if (!zone_open(chip, zone)) return Reply::fail(chip_error::kDenied);
  std::copy(data.begin(), data.end(), z.bytes->begin() + static_cast<long>(z.address));
  return Reply::ok();
}

// Three bytes, FAB, CMA and PER: 1 blown, 0 intact.
Reply read_fuses(At88sc1608Chip& chip, Fields& fields, ReaderState&) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  Bytes fuses(kFuses);
  for (std::uint8_t k = 0; k < kFuses; ++k) fuses[k] = k < chip.fuses_blown ? 1 : 0;
  return Reply::ok(fuses);
}

Reply blow_fuse(At88sc1608Chip& chip, Fields& fields, ReaderState&) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (!chip.passwords[kSecureCode].presented || chip.fuses_blown == kFuses)
    return Reply::fail(chip_error::kDenied);
  ++chip.fuses_blown;
  return Reply::ok();
}

// InitAuth takes the host's 8-byte challenge; VerifyAuth expects the secret XOR that challenge
// (a stand-in for the chip's cipher).
Reply init_auth(At88sc1608Chip& chip, Fields& fields, ReaderState&) {
  const auto challenge = fields.bytes(kAuthSize);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (chip.secret.empty()) return Reply::fail(chip_error::kDenied);
  chip.challenge.assign(challenge.begin(), challenge.end());
  chip.authenticated = false;
  return Reply::ok();
}

Reply verify_auth(At88sc1608Chip& chip, Fields& fields, ReaderState&) {
  const auto answer = fields.bytes(kAuthSize);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (chip.challenge.empty()) return Reply::fail(chip_error::kDenied);
  if (chip.auth_attempts == 0) return Reply::fail(chip_error::kLocked);
  bool right = true;
  for (std::size_t k = 0; k < kAuthSize; ++k)
    right = right && answer[k] == (chip.secret[k] ^ chip.challenge[k]);
  chip.challenge.clear();
  chip.authenticated = right;
  chip.auth_attempts = right ? kAuthAttempts : static_cast<std::uint8_t>(chip.auth_attempts - 1);
  if (right) return Reply::ok();
  return Reply::fail(chip.auth_attempts == 0 ? chip_error::kLocked : chip_error::kRefused);
}

}  // namespace

void add_at88sc16xx_commands(CommandTable& table) {
  using A = At88sc1604Chip;
  table.add('A',
            by_pm({{'0', chip_reset<A>()},
                   {'1', on_chip<A>(verify<A>)},
                   {'2', on_chip<A>(read_1604)},
                   {'3', on_chip<A>(erase_1604)},
                   {'4', on_chip<A>(write_1604)},
                   {'5', on_chip<A>(write_password<A>)},
                   {'6', on_chip<A>(personalize)}}),
            true);
  using B = At88sc1608Chip;
  table.add('B',
            by_pm({{'0', chip_reset<B>()},
                   {'1', on_chip<B>(verify<B>)},
                   {'2', on_chip<B>(read_1608)},
                   {'3', on_chip<B>(write_1608)},
                   {'4', on_chip<B>(read_fuses)},
                   {'5', on_chip<B>(blow_fuse)},
                   {'6', on_chip<B>(init_auth)},
                   {'7', on_chip<B>(verify_auth)},
                   {'8', on_chip<B>(write_password<B>)}}),
            true);
}

}  // namespace readersim
