// Mifare card layout and rules: Classic sectors, trailers and their access conditions, value
// blocks; the UltraLight's pages built from its UID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "readersim/mifare_card.h"

namespace readersim {

unsigned classic_sectors(MifareType type);    // 16 or 40
std::size_t classic_blocks(MifareType type);  // 64 or 256
unsigned sector_of(std::size_t block);
std::size_t trailer_block(unsigned sector);
bool is_trailer(std::size_t block);

std::span<std::uint8_t> block_at(MifareCard& card, std::size_t block);
std::span<const std::uint8_t> trailer_of(const MifareCard& card, unsigned sector);

// True when the access bits (trailer bytes 6 to 8) match their complement.
bool access_bits_valid(std::span<const std::uint8_t> trailer);

enum class KeyUse : std::uint8_t { A = 1, B = 2 };

// What a data block allows the authenticated key.
enum class DataOp : std::uint8_t { Read, Write, Increment, Decrement };
bool data_block_allows(std::span<const std::uint8_t> trailer, std::size_t block, DataOp op,
                       KeyUse key);

// What the trailer allows the authenticated key, part by part.
enum class TrailerPart : std::uint8_t { KeyA, AccessBits, KeyB };
bool trailer_allows(std::span<const std::uint8_t> trailer, TrailerPart part, bool write,
                    KeyUse key);

// A value block's value; none when the block is not in the value format.
std::optional<std::int32_t> value_of(std::span<const std::uint8_t> block);
// The value block of `value` with its address byte.
void make_value_block(std::span<std::uint8_t> block, std::int32_t value, std::uint8_t address);

// Blank cards: block 0 with the UID, zeroed data blocks, trailers with keys FF..FF and the
// transport access bits FF 07 80 69; the UltraLight's pages 0 to 2 hold UID and check bytes.
Bytes blank_classic_memory(MifareType type, const Bytes& uid);
Bytes blank_ultralight_memory(const Bytes& uid);

}  // namespace readersim
