// Mifare commands: ";" S50 and "<" S70 (Classic, with the reader's authentication after
// LoadSecKey), "=" UltraLight. The card must lie at the antenna.
#include <algorithm>

#include "memory_chip.h"
#include "mifare_access.h"

namespace readersim {
namespace {

constexpr std::uint8_t kKeyA = 'A';
constexpr std::uint8_t kKeyB = 'B';
constexpr std::size_t kKey = 6;
constexpr std::size_t kOperand = 4;
constexpr unsigned kSmallSectors = 32;

using Action = Reply (*)(MifareCard& card, Fields& fields);

// The command's card at the antenna; DetectCard alone runs on a card not selected.
Handler on_card(MifareType type, Action action, bool needs_selection = true) {
  return [=](const Request& request, ReaderState& state) {
    if (!state.card) return Reply::fail(error::kNoCard);
    if (state.card->where != Position::RfField) return Reply::fail(error::kCardPosition);
    std::optional<MifareCard>& card = state.card->card.mifare;
    if (!card || card->type != type) return Reply::fail(chip_error::kNoChip);
    if (needs_selection && !card->selected) return Reply::fail(chip_error::kNotSelected);
    Fields fields(request.data);
    return action(*card, fields);
  };
}

Reply detect(MifareCard& card, Fields& fields) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  card.selected = true;
  card.auth.reset();
  return Reply::ok();
}

Reply card_id(MifareCard& card, Fields& fields) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  return Reply::ok(card.uid);
}

Reply halt(MifareCard& card, Fields& fields) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  card.selected = false;
  card.auth.reset();
  return Reply::ok();
}

// ---- Classic ----

// The S50's block byte is the block number; the S70's is a block code: bits 7 to 2 the sector,
// bits 1 and 0 the block, which reaches blocks 0 to 3 of the sixteen-block sectors 32 to 39.
std::optional<std::size_t> block_number(const MifareCard& card, std::uint8_t byte) {
  if (card.type == MifareType::S50) {
    if (byte >= classic_blocks(card.type)) return std::nullopt;
    return byte;
  }
  const unsigned sector = byte >> 2, block = byte & 3u;
  if (sector >= classic_sectors(card.type)) return std::nullopt;
  if (sector < kSmallSectors) return byte;
  return 128 + 16 * (sector - kSmallSectors) + block;
}

// Either the key with which the block's sector was authenticated, or the error byte.
struct Access {
  std::size_t block = 0;
  KeyUse key = KeyUse::A;
  std::uint8_t error = 0;
};

Access access(const MifareCard& card, std::uint8_t byte) {
  const std::optional<std::size_t> block = block_number(card, byte);
  if (!block) return {0, KeyUse::A, chip_error::kOutOfRange};
  if (!card.auth || card.auth->sector != sector_of(*block))
    return {0, KeyUse::A, chip_error::kNotAuthenticated};
  return {*block, card.auth->key_b ? KeyUse::B : KeyUse::A, 0};
}

// A trailer as the card shows it: key A never, the other parts as the access bits allow.
Bytes shown_trailer(std::span<const std::uint8_t> trailer, KeyUse key) {
  Bytes shown(kMifareBlock, 0);
  if (trailer_allows(trailer, TrailerPart::AccessBits, false, key))
    std::copy(trailer.begin() + 6, trailer.begin() + 10, shown.begin() + 6);
  if (trailer_allows(trailer, TrailerPart::KeyB, false, key))
    std::copy(trailer.begin() + 10, trailer.end(), shown.begin() + 10);
  return shown;
}

Reply read_block(MifareCard& card, Fields& fields) {
  const std::uint8_t byte = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const Access a = access(card, byte);
  if (a.error) return Reply::fail(a.error);
  const auto trailer = trailer_of(card, sector_of(a.block));
  if (is_trailer(a.block)) return Reply::ok(shown_trailer(trailer, a.key));
  if (!data_block_allows(trailer, a.block, DataOp::Read, a.key))
    return Reply::fail(chip_error::kDenied);
  const auto block = block_at(card, a.block);
  return Reply::ok(Bytes(block.begin(), block.end()));
}

bool part_changes(std::span<const std::uint8_t> now, std::span<const std::uint8_t> next,
                  std::size_t from, std::size_t to) {
  return !std::equal(now.begin() + static_cast<long>(from), now.begin() + static_cast<long>(to),
                     next.begin() + static_cast<long>(from));
}

// A trailer write changes only the parts that the key may write, and never leaves access bits
// that do not match their complement (the sector would be lost).
Reply write_trailer(MifareCard& card, const Access& a, std::span<const std::uint8_t> data) {
  const auto trailer = block_at(card, a.block);
  if (!access_bits_valid(data)) return Reply::fail(chip_error::kDenied);
  const struct {
    TrailerPart part;
    std::size_t from, to;
  } parts[] = {
      {TrailerPart::KeyA, 0, 6}, {TrailerPart::AccessBits, 6, 10}, {TrailerPart::KeyB, 10, 16}};
  for (const auto& p : parts)
    if (part_changes(trailer, data, p.from, p.to) && !trailer_allows(trailer, p.part, true, a.key))
      return Reply::fail(chip_error::kDenied);
  std::copy(data.begin(), data.end(), trailer.begin());
  return Reply::ok();
}

Reply write_block(MifareCard& card, Fields& fields) {
  const std::uint8_t byte = fields.byte();
  const auto data = fields.bytes(kMifareBlock);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const Access a = access(card, byte);
  if (a.error) return Reply::fail(a.error);
  if (a.block == 0) return Reply::fail(chip_error::kDenied);  // the manufacturer block
  if (is_trailer(a.block)) return write_trailer(card, a, data);
  if (!data_block_allows(trailer_of(card, sector_of(a.block)), a.block, DataOp::Write, a.key))
    return Reply::fail(chip_error::kDenied);
  std::copy(data.begin(), data.end(), block_at(card, a.block).begin());
  return Reply::ok();
}

// The block of a value operation: a data block other than block 0, or the error byte.
Access value_access(const MifareCard& card, std::uint8_t byte, DataOp op) {
  Access a = access(card, byte);
  if (a.error) return a;
  if (a.block == 0 || is_trailer(a.block)) return {0, a.key, chip_error::kNotValue};
  if (!data_block_allows(trailer_of(card, sector_of(a.block)), a.block, op, a.key))
    return {0, a.key, chip_error::kDenied};
  return a;
}

Reply init_value(MifareCard& card, Fields& fields) {
  const std::uint8_t byte = fields.byte();
  const auto data = fields.bytes(kMifareBlock);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const Access a = value_access(card, byte, DataOp::Write);
  if (a.error) return Reply::fail(a.error);
  if (!value_of(data)) return Reply::fail(chip_error::kNotValue);
  std::copy(data.begin(), data.end(), block_at(card, a.block).begin());
  return Reply::ok();
}

// Increment and decrement: the operand is an amount (least significant byte first); the block
// must hold a value block and the result must stay a signed 32-bit value. The card writes the
// result back to the same block, keeping its address byte.
template <DataOp op>
Reply change_value(MifareCard& card, Fields& fields) {
  const std::uint8_t byte = fields.byte();
  const auto operand = fields.bytes(kOperand);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const Access a = value_access(card, byte, op);
  if (a.error) return Reply::fail(a.error);
  const auto block = block_at(card, a.block);
  const std::optional<std::int32_t> value = value_of(block);
  if (!value) return Reply::fail(chip_error::kNotValue);
  std::int64_t amount = 0;
  for (std::size_t k = 0; k < kOperand; ++k) amount |= std::int64_t{operand[k]} << (8 * k);
  const std::int64_t result = op == DataOp::Increment ? *value + amount : *value - amount;
  if (result < INT32_MIN || result > INT32_MAX) return Reply::fail(chip_error::kNotValue);
  make_value_block(block, static_cast<std::int32_t>(result), block[12]);
  return Reply::ok();
}

// LoadSecKey and ModifyKey: the key type "A" or "B", then the sector number.
struct KeySlot {
  unsigned sector = 0;
  bool key_b = false;
  std::span<const std::uint8_t> key;
  std::uint8_t error = 0;
};

KeySlot key_slot(const MifareCard& card, Fields& fields) {
  const std::uint8_t type = fields.byte();
  const unsigned sector = fields.byte();
  const auto key = fields.bytes(kKey);
  if (!fields.complete() || (type != kKeyA && type != kKeyB))
    return {0, false, {}, error::kBadData};
  if (sector >= classic_sectors(card.type)) return {0, false, {}, chip_error::kOutOfRange};
  return {sector, type == kKeyB, key, 0};
}

std::size_t key_offset(bool key_b) {
  return key_b ? 10 : 0;
}

Reply load_key(MifareCard& card, Fields& fields) {
  const KeySlot slot = key_slot(card, fields);
  if (slot.error) return Reply::fail(slot.error);
  const auto stored = trailer_of(card, slot.sector).subspan(key_offset(slot.key_b), kKey);
  if (!std::equal(stored.begin(), stored.end(), slot.key.begin())) {
    card.auth.reset();
    return Reply::fail(chip_error::kRefused);
  }
  card.auth = MifareAuth{slot.sector, slot.key_b};
  return Reply::ok();
}

Reply modify_key(MifareCard& card, Fields& fields) {
  const KeySlot slot = key_slot(card, fields);
  if (slot.error) return Reply::fail(slot.error);
  if (!card.auth || card.auth->sector != slot.sector)
    return Reply::fail(chip_error::kNotAuthenticated);
  const auto trailer = block_at(card, trailer_block(slot.sector));
  const TrailerPart part = slot.key_b ? TrailerPart::KeyB : TrailerPart::KeyA;
  if (!trailer_allows(trailer, part, true, card.auth->key_b ? KeyUse::B : KeyUse::A))
    return Reply::fail(chip_error::kDenied);
  std::copy(slot.key.begin(), slot.key.end(),
            trailer.begin() + static_cast<long>(key_offset(slot.key_b)));
  return Reply::ok();
}

Handler classic(MifareType type) {
  return by_pm({{'0', on_card(type, detect, false)},
                {'1', on_card(type, card_id)},
                {'2', on_card(type, load_key)},
                {'3', on_card(type, read_block)},
                {'4', on_card(type, write_block)},
                {'5', on_card(type, init_value)},
                {'6', on_card(type, change_value<DataOp::Increment>)},
                {'7', on_card(type, change_value<DataOp::Decrement>)},
                {'8', on_card(type, halt)},
                {'<', on_card(type, modify_key)}});
}

// ---- UltraLight ----

constexpr std::size_t kLockPage = 2;
constexpr std::size_t kOtpPage = 3;

bool page_locked(const MifareCard& card, std::size_t page) {
  if (page < kOtpPage) return true;  // UID and check bytes
  const std::uint8_t locks = page < 8 ? card.memory[10] : card.memory[11];
  return (locks >> (page < 8 ? page : page - 8) & 1u) != 0;
}

// Sixteen bytes from the page on, wrapping round after page 15.
Reply ul_read(MifareCard& card, Fields& fields) {
  const std::size_t page = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (page >= kUltraLightPages) return Reply::fail(chip_error::kOutOfRange);
  Bytes data(kMifareBlock);
  for (std::size_t k = 0; k < data.size(); ++k)
    data[k] = card.memory[(page * kUltraLightPage + k) % card.memory.size()];
  return Reply::ok(data);
}

// The write takes sixteen bytes and writes the first four to the page. The lock bytes and the
// one-time page only gain bits.
Reply ul_write(MifareCard& card, Fields& fields) {
  const std::size_t page = fields.byte();
  const auto block = fields.bytes(kMifareBlock);
  if (!fields.complete()) return Reply::fail(error::kBadData);
  const auto data = block.first(kUltraLightPage);
  if (page >= kUltraLightPages) return Reply::fail(chip_error::kOutOfRange);
  const auto target = std::span(card.memory).subspan(page * kUltraLightPage, kUltraLightPage);
  Bytes next(data.begin(), data.end());
  if (page == kLockPage)
    next = {target[0], target[1], std::uint8_t(target[2] | data[2]),
            std::uint8_t(target[3] | data[3])};
  if (page == kOtpPage)
    for (std::size_t k = 0; k < next.size(); ++k) next[k] |= target[k];
  const bool changes = !std::equal(next.begin(), next.end(), target.begin());
  if (changes && page != kLockPage && page_locked(card, page))
    return Reply::fail(chip_error::kDenied);
  std::copy(next.begin(), next.end(), target.begin());
  return Reply::ok();
}

Handler ultralight() {
  const MifareType t = MifareType::UltraLight;
  return by_pm({{'0', on_card(t, detect, false)},
                {'1', on_card(t, card_id)},
                {'2', on_card(t, ul_read)},
                {'3', on_card(t, ul_write)},
                {'4', on_card(t, halt)}});
}

}  // namespace

void add_mifare_commands(CommandTable& table) {
  table.add(';', classic(MifareType::S50), true);
  table.add('<', classic(MifareType::S70), true);
  table.add('=', ultralight(), true);
}

}  // namespace readersim
