// "H" ISO 15693 tags at the antenna. Every request but the UID read starts with the request
// flags (0x20 addressed: the UID follows; 0x10 selected: only a selected tag answers). A tag
// that does not answer gives error byte 0; a tag's error gives error byte 1 and its code.
#include <algorithm>

#include "memory_chip.h"

namespace readersim {
namespace {

constexpr std::uint8_t kNoAnswer = 0x00;
constexpr std::uint8_t kTagError = 0x01;
constexpr std::uint8_t kFlagInventory = 0x04;
constexpr std::uint8_t kFlagSelected = 0x10;
constexpr std::uint8_t kFlagAddressed = 0x20;
constexpr std::size_t kUid = 8;

// Error codes of the tag.
constexpr std::uint8_t kBlockUnavailable = 0x10;
constexpr std::uint8_t kAlreadyLocked = 0x11;
constexpr std::uint8_t kLocked = 0x12;

Reply tag_error(std::uint8_t code) {
  return Reply::fail(kTagError, {code});
}

using Action = Reply (*)(Iso15693Tag& tag, Fields& fields);

// The tag at the antenna, if it answers the request's flags and UID.
Handler on_tag(Action action) {
  return [action](const Request& request, ReaderState& state) {
    if (!state.card) return Reply::fail(error::kNoCard);
    if (state.card->where != Position::RfField) return Reply::fail(error::kCardPosition);
    Fields fields(request.data);
    const std::uint8_t flags = fields.byte();
    const bool addressed = flags & kFlagAddressed, selected = flags & kFlagSelected;
    const auto uid = addressed ? fields.bytes(kUid) : std::span<const std::uint8_t>{};
    if (request.data.empty() || (flags & kFlagInventory) || (addressed && selected) ||
        uid.size() != (addressed ? kUid : 0))
      return Reply::fail(error::kBadData);
    std::optional<Iso15693Tag>& tag = state.card->card.iso15693;
    if (!tag || (addressed && !std::equal(uid.begin(), uid.end(), tag->uid.begin())) ||
        (selected && !tag->selected))
      return Reply::fail(kNoAnswer);
    return action(*tag, fields);
  };
}

Reply get_uid(const Request& request, ReaderState& state) {
  if (!request.data.empty()) return Reply::fail(error::kBadData);
  if (!state.card) return Reply::fail(error::kNoCard);
  if (state.card->where != Position::RfField) return Reply::fail(error::kCardPosition);
  if (!state.card->card.iso15693) return Reply::fail(kNoAnswer);
  return Reply::ok(state.card->card.iso15693->uid);
}

std::size_t block_count(const Iso15693Tag& tag) {
  return tag.memory.size() / kIso15693Block;
}

// First block, number of blocks (at least one) and for a write their data; `error` set when
// they do not fit.
struct Blocks {
  std::size_t first = 0;
  std::size_t count = 0;
  std::span<const std::uint8_t> data;
  std::optional<Reply> error;
};

Blocks blocks(const Iso15693Tag& tag, Fields& fields, bool with_data) {
  Blocks b;
  b.first = fields.byte();
  b.count = fields.byte();
  if (with_data) b.data = fields.bytes(b.count * kIso15693Block);
  if (!fields.complete() || b.count == 0)
    b.error = Reply::fail(error::kBadData);
  else if (!inside(b.first, b.count, block_count(tag)))
    b.error = tag_error(kBlockUnavailable);
  return b;
}

// Block data, then the trailing byte: the number of blocks.
Reply read_blocks(Iso15693Tag& tag, Fields& fields) {
  const Blocks b = blocks(tag, fields, false);
  if (b.error) return *b.error;
  const auto at = tag.memory.begin() + static_cast<long>(b.first * kIso15693Block);
  Bytes data(at, at + static_cast<long>(b.count * kIso15693Block));
  data.push_back(static_cast<std::uint8_t>(b.count));
  return Reply::ok(data);
}

// One byte per block, 1 when locked, then the number of blocks.
Reply read_security(Iso15693Tag& tag, Fields& fields) {
  const Blocks b = blocks(tag, fields, false);
  if (b.error) return *b.error;
  const auto at = tag.locked.begin() + static_cast<long>(b.first);
  Bytes status(at, at + static_cast<long>(b.count));
  status.push_back(static_cast<std::uint8_t>(b.count));
  return Reply::ok(status);
}

// All the blocks or none: a locked one refuses the whole write. The reply is the number of
// blocks written.
Reply write_blocks(Iso15693Tag& tag, Fields& fields) {
  const Blocks b = blocks(tag, fields, true);
  if (b.error) return *b.error;
  const auto locked = tag.locked.begin() + static_cast<long>(b.first);
  if (std::any_of(locked, locked + static_cast<long>(b.count), [](std::uint8_t l) { return l; }))
    return tag_error(kLocked);
  std::copy(b.data.begin(), b.data.end(),
            tag.memory.begin() + static_cast<long>(b.first * kIso15693Block));
  return Reply::ok({static_cast<std::uint8_t>(b.count)});
}

Reply choose(Iso15693Tag& tag, Fields& fields) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  tag.selected = true;
  return Reply::ok();
}

// Response flags, information flags (DSFID, AFI, memory size, IC reference), UID, DSFID, AFI,
// blocks - 1, block size - 1, IC reference: 15 bytes.
Reply information(Iso15693Tag& tag, Fields& fields) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  Bytes info{0x00, 0x0F};
  info.insert(info.end(), tag.uid.begin(), tag.uid.end());
  info.insert(info.end(), {tag.dsfid, tag.afi, static_cast<std::uint8_t>(block_count(tag) - 1),
                           static_cast<std::uint8_t>(kIso15693Block - 1), tag.ic_reference});
  return Reply::ok(info);
}

template <std::uint8_t Iso15693Tag::*value, bool Iso15693Tag::*lock>
Reply write_byte(Iso15693Tag& tag, Fields& fields) {
  const std::uint8_t byte = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (tag.*lock) return tag_error(kLocked);
  tag.*value = byte;
  return Reply::ok();
}

template <bool Iso15693Tag::*lock>
Reply lock_byte(Iso15693Tag& tag, Fields& fields) {
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (tag.*lock) return tag_error(kAlreadyLocked);
  tag.*lock = true;
  return Reply::ok();
}

Reply lock_block(Iso15693Tag& tag, Fields& fields) {
  const std::size_t block = fields.byte();
  if (!fields.complete()) return Reply::fail(error::kBadData);
  if (block >= block_count(tag)) return tag_error(kBlockUnavailable);
  if (tag.locked[block]) return tag_error(kAlreadyLocked);
  tag.locked[block] = 1;
  return Reply::ok();
}

}  // namespace

void add_iso15693_commands(CommandTable& table) {
  using T = Iso15693Tag;
  table.add('H',
            by_pm({{'0', get_uid},
                   {'1', on_tag(read_blocks)},
                   {'2', on_tag(write_blocks)},
                   {'3', on_tag(choose)},
                   {'4', on_tag(information)},
                   {'5', on_tag(read_security)},
                   {'6', on_tag(write_byte<&T::dsfid, &T::dsfid_locked>)},
                   {'7', on_tag(write_byte<&T::afi, &T::afi_locked>)},
                   {':', on_tag(lock_block)},
                   {';', on_tag(lock_byte<&T::afi_locked>)},
                   {'<', on_tag(lock_byte<&T::dsfid_locked>)}}),
            true);
}

}  // namespace readersim
