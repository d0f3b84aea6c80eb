#include "mifare_access.h"

#include <algorithm>
#include <array>

namespace readersim {
namespace {

constexpr unsigned kSmallSectors = 32;  // four blocks each; the S70's last 8 hold sixteen
constexpr std::size_t kSmallArea = kSmallSectors * 4;
constexpr std::size_t kBigSector = 16;

constexpr std::uint8_t A = 1, B = 2, AB = 3, NEVER = 0;

// Data blocks by access condition C1 C2 C3: read, write, increment, decrement.
constexpr std::array<std::array<std::uint8_t, 4>, 8> kDataRules{{
    {AB, AB, AB, AB},              // 000
    {AB, NEVER, NEVER, AB},        // 001
    {AB, NEVER, NEVER, NEVER},     // 010
    {B, B, NEVER, NEVER},          // 011
    {AB, B, NEVER, NEVER},         // 100
    {B, NEVER, NEVER, NEVER},      // 101
    {AB, B, B, AB},                // 110
    {NEVER, NEVER, NEVER, NEVER},  // 111
}};

// Trailers by access condition: key A write, access bits read and write, key B read and write
// (key A never reads).
struct TrailerRule {
  std::uint8_t key_a_write, bits_read, bits_write, key_b_read, key_b_write;
};
constexpr std::array<TrailerRule, 8> kTrailerRules{{
    {A, A, NEVER, A, A},               // 000
    {A, A, A, A, A},                   // 001, the transport configuration
    {NEVER, A, NEVER, A, NEVER},       // 010
    {B, AB, B, NEVER, B},              // 011
    {B, AB, NEVER, NEVER, B},          // 100
    {NEVER, AB, B, NEVER, NEVER},      // 101
    {NEVER, AB, NEVER, NEVER, NEVER},  // 110
    {NEVER, AB, NEVER, NEVER, NEVER},  // 111
}};

constexpr std::array<std::uint8_t, 16> kTransportTrailer{
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x80, 0x69, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

std::size_t first_block(unsigned sector) {
  return sector < kSmallSectors ? sector * 4u : kSmallArea + (sector - kSmallSectors) * kBigSector;
}

// The access group of a block: 0 to 2 for data (groups of five blocks in big sectors), 3 for
// the trailer.
unsigned group_of(std::size_t block) {
  if (is_trailer(block)) return 3;
  const std::size_t offset = block - first_block(sector_of(block));
  return static_cast<unsigned>(block < kSmallArea ? offset : offset / 5);
}

unsigned condition(std::span<const std::uint8_t> trailer, unsigned group) {
  const unsigned c1 = trailer[7] >> (4 + group) & 1u;
  const unsigned c2 = trailer[8] >> group & 1u;
  const unsigned c3 = trailer[8] >> (4 + group) & 1u;
  return c1 << 2 | c2 << 1 | c3;
}

bool allows(std::uint8_t rule, KeyUse key) {
  return (rule & static_cast<std::uint8_t>(key)) != 0;
}

}  // namespace

unsigned classic_sectors(MifareType type) {
  return type == MifareType::S70 ? 40 : 16;
}

std::size_t classic_blocks(MifareType type) {
  return type == MifareType::S70 ? 256 : 64;
}

unsigned sector_of(std::size_t block) {
  if (block < kSmallArea) return static_cast<unsigned>(block / 4);
  return static_cast<unsigned>(kSmallSectors + (block - kSmallArea) / kBigSector);
}

std::size_t trailer_block(unsigned sector) {
  return first_block(sector) + (sector < kSmallSectors ? 3 : kBigSector - 1);
}

bool is_trailer(std::size_t block) {
  return trailer_block(sector_of(block)) == block;
}

std::span<std::uint8_t> block_at(MifareCard& card, std::size_t block) {
  return std::span(card.memory).subspan(block * kMifareBlock, kMifareBlock);
}

std::span<const std::uint8_t> trailer_of(const MifareCard& card, unsigned sector) {
  return std::span(card.memory).subspan(trailer_block(sector) * kMifareBlock, kMifareBlock);
}

bool access_bits_valid(std::span<const std::uint8_t> trailer) {
  const unsigned c1 = trailer[7] >> 4, c2 = trailer[8] & 0x0Fu, c3 = trailer[8] >> 4;
  const unsigned not_c1 = trailer[6] & 0x0Fu, not_c2 = trailer[6] >> 4, not_c3 = trailer[7] & 0x0Fu;
  return (c1 ^ not_c1) == 0x0F && (c2 ^ not_c2) == 0x0F && (c3 ^ not_c3) == 0x0F;
}

bool data_block_allows(std::span<const std::uint8_t> trailer, std::size_t block, DataOp op,
                       KeyUse key) {
  const auto& rule = kDataRules[condition(trailer, group_of(block))];
  return allows(rule[static_cast<std::size_t>(op)], key);
}

bool trailer_allows(std::span<const std::uint8_t> trailer, TrailerPart part, bool write,
                    KeyUse key) {
  const TrailerRule& rule = kTrailerRules[condition(trailer, 3)];
  switch (part) {
    case TrailerPart::KeyA:
      return write && allows(rule.key_a_write, key);
    case TrailerPart::AccessBits:
      return allows(write ? rule.bits_write : rule.bits_read, key);
    case TrailerPart::KeyB:
      return allows(write ? rule.key_b_write : rule.key_b_read, key);
  }
  return false;
}

std::optional<std::int32_t> value_of(std::span<const std::uint8_t> block) {
  for (std::size_t k = 0; k < 4; ++k) {
    if (block[k] != block[8 + k] || block[k] != static_cast<std::uint8_t>(~block[4 + k]))
      return std::nullopt;
  }
  if (block[12] != block[14] || block[13] != block[15] ||
      block[12] != static_cast<std::uint8_t>(~block[13]))
    return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < 4; ++k) value |= static_cast<std::uint32_t>(block[k]) << (8 * k);
  return static_cast<std::int32_t>(value);
}

void make_value_block(std::span<std::uint8_t> block, std::int32_t value, std::uint8_t address) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t k = 0; k < 4; ++k) {
    const auto byte = static_cast<std::uint8_t>(bits >> (8 * k));
    block[k] = block[8 + k] = byte;
    block[4 + k] = static_cast<std::uint8_t>(~byte);
  }
  block[12] = block[14] = address;
  block[13] = block[15] = static_cast<std::uint8_t>(~address);
}

Bytes blank_classic_memory(MifareType type, const Bytes& uid) {
  Bytes memory(classic_blocks(type) * kMifareBlock, 0);
  std::copy(uid.begin(), uid.end(), memory.begin());
  memory[4] = static_cast<std::uint8_t>(uid[0] ^ uid[1] ^ uid[2] ^ uid[3]);  // check byte
  memory[5] = type == MifareType::S70 ? 0x18 : 0x08;                         // SAK
  memory[6] = type == MifareType::S70 ? 0x02 : 0x04;                         // ATQA
  for (unsigned sector = 0; sector < classic_sectors(type); ++sector)
    std::copy(kTransportTrailer.begin(), kTransportTrailer.end(),
              memory.begin() + static_cast<long>(trailer_block(sector) * kMifareBlock));
  return memory;
}

Bytes blank_ultralight_memory(const Bytes& uid) {
  Bytes memory(kUltraLightPages * kUltraLightPage, 0);
  memory[0] = uid[0];
  memory[1] = uid[1];
  memory[2] = uid[2];
  memory[3] = static_cast<std::uint8_t>(0x88 ^ uid[0] ^ uid[1] ^ uid[2]);
  std::copy(uid.begin() + 3, uid.end(), memory.begin() + 4);
  memory[8] = static_cast<std::uint8_t>(uid[3] ^ uid[4] ^ uid[5] ^ uid[6]);
  memory[9] = 0x48;  // internal byte
  return memory;
}

}  // namespace readersim
