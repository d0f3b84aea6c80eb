// Completing an online transaction with the issuer's answer: EXTERNAL AUTHENTICATE, the second
// GENERATE AC, the final result, the issuer script and the card's power-off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ferro {

inline constexpr std::size_t kMaxIssuerText = 2048;
inline constexpr int kResultSize = 99;

// Decodes hexadecimal digit pairs (first digit the high nibble; any other character counts as
// 0) into out, as many as out holds; a text of odd length decodes to nothing. The byte count.
std::size_t hex_to_bytes(std::string_view text, std::span<std::uint8_t> out);

struct IssuerData {
  std::span<const std::uint8_t> script_command;  // tag 86, empty when there is none
  std::span<const std::uint8_t> authentication;  // tag 91, empty when there is none
};

// Scans positions 0 to 29 of the decoded issuer data for 86 (the last one before 91 counts)
// and 91 (ends the scan), each with a length of 1 to 31 and a value within the data.
IssuerData scan_issuer_data(std::span<const std::uint8_t> decoded);

int complete_online_transaction(const char* issuer_data_hex, std::uint8_t* result);

}  // namespace ferro
