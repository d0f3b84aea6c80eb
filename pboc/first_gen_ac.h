// The first GENERATE AC (asking for an ARQC) and field 55 built from its reply.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ferro {

inline constexpr int kGacDataSize = 29;  // the PBOC CDOL1 fields the kernel reads back
inline constexpr int kGacValueCapacity = 100;
inline constexpr int kMinGacValueLength = 11;  // CID, ATC and cryptogram
inline constexpr std::uint8_t kRequestArqc = 0x80;

// The reply's tag 80 value: CID (1), ATC (2), cryptogram (8), issuer application data (rest).
struct GacValue {
  std::array<std::uint8_t, kGacValueCapacity> bytes{};
  int length = 0;
};

// Sends 80 AE p1 00 with the CDOL1 data; yields the first 29 data bytes and the tag 80 value.
int generate_ac_first(std::uint8_t p1, std::span<std::uint8_t, kGacDataSize> gac_data,
                      GacValue& gac_value);

// Writes field 55 (89 + issuer application data bytes) and fills saved_field55; its length.
int build_field55(std::span<const std::uint8_t, kGacDataSize> gac_data, const GacValue& gac_value,
                  std::uint8_t* icc_data);

// Where the card number goes when the caller asks for it with field 55.
struct CardNumberOut {
  std::uint8_t* pan_seq;
  std::uint8_t* track2;
  int* track2_len;
};

// The field 55 operation: application start with amount and type, first GENERATE AC, field 55.
int run_field55(const std::uint8_t* amount, int trans_type, const CardNumberOut* card_number,
                std::uint8_t* icc_data, int& icc_data_len);

}  // namespace ferro
