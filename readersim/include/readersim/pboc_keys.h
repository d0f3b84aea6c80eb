// The test key scheme of the virtual PBOC cards, shared by the card model and the issuer side.
// Every MAC is HMAC-SHA256 under the card's test key over a purpose byte and the parts named
// below, cut to its first bytes. It is our own scheme for tests: no real key material.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "readersim/frame.h"

namespace readersim::pboc {

using Cryptogram = std::array<std::uint8_t, 8>;
using Arc = std::array<std::uint8_t, 2>;
using ScriptMac = std::array<std::uint8_t, 4>;

inline constexpr std::size_t kMinKey = 16;
inline constexpr std::size_t kMaxKey = 32;
inline constexpr Arc kApproved{'0', '0'};  // authorisation response code of an approval
inline constexpr Arc kDeclined{'0', '5'};

// The transaction data a cryptogram covers: these data objects, in this order, as the first
// GENERATE AC carries them and as field 55 hands them to the issuer.
struct MacField {
  std::uint16_t tag;
  std::uint8_t length;
};
inline constexpr std::array<MacField, 8> kCryptogramFields{{{0x9F02, 6},
                                                            {0x9F03, 6},
                                                            {0x9F1A, 2},
                                                            {0x95, 5},
                                                            {0x5F2A, 2},
                                                            {0x9A, 3},
                                                            {0x9C, 1},
                                                            {0x9F37, 4}}};
inline constexpr std::size_t kCryptogramDataSize = 29;  // the lengths above added up

// ARQC (first GENERATE AC) and TC (second): over the transaction data and the ATC.
Cryptogram request_cryptogram(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                              std::uint16_t atc);
Cryptogram certificate(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                       std::uint16_t atc);
// ARPC, the issuer's answer to an ARQC: over the ARQC and the ARC.
Cryptogram response_cryptogram(std::span<const std::uint8_t> key, const Cryptogram& arqc,
                               const Arc& arc);
// MAC of an issuer script command (its header and data without the MAC), bound to the
// transaction by its ATC and ARQC.
ScriptMac script_mac(std::span<const std::uint8_t> key, std::span<const std::uint8_t> command,
                     std::uint16_t atc, const Cryptogram& arqc);

// The PUT DATA script command that sets the electronic cash balance (tag 9F79), MAC included.
inline constexpr std::array<std::uint8_t, 4> kPutBalanceHeader{0x84, 0xDA, 0x9F, 0x79};
inline constexpr std::size_t kBalanceSize = 6;  // BCD
using Balance = std::array<std::uint8_t, kBalanceSize>;
Bytes put_balance_command(std::span<const std::uint8_t> key, const Balance& balance,
                          std::uint16_t atc, const Cryptogram& arqc);

// BER-TLV as the cards and field 55 carry it: a tag of one or two bytes at `p` (advancing p),
// none past the end; the value of `tag` among data objects (looking into a 70 template), none
// when absent or malformed.
std::optional<std::uint16_t> read_tag(std::span<const std::uint8_t> bytes, std::size_t& p);
std::optional<std::span<const std::uint8_t>> find_data_object(std::span<const std::uint8_t> bytes,
                                                              std::uint16_t tag);

// A balance written as up to 12 decimal digits, as 6 BCD bytes; none for other text.
std::optional<Balance> balance_from_digits(std::string_view digits);
bool is_bcd(std::span<const std::uint8_t> bytes);

}  // namespace readersim::pboc
