// APDUs of the social-security application that both the card-information read and the field
// readers send.
#pragma once

#include <cstdint>

namespace tarn {

// SELECT by name: "sx1.sh." followed by the GBK encoding of the Chinese words for social security.
inline constexpr std::uint8_t kSelectSocialSecurityApp[] = {
    0x00, 0xA4, 0x04, 0x00, 0x0F, 0x73, 0x78, 0x31, 0x2E, 0x73,
    0x68, 0x2E, 0xC9, 0xE7, 0xBB, 0xE1, 0xB1, 0xA3, 0xD5, 0xCF};

// READ RECORD in the current file (P2 = 04) with the Le of each record's fixed size.
inline constexpr std::uint8_t kReadCardNumber[] = {0x00, 0xB2, 0x07, 0x04, 0x0B};  // EF05 rec 7
inline constexpr std::uint8_t kReadIdNumber[] = {0x00, 0xB2, 0x01, 0x04, 0x14};    // EF06 rec 1
inline constexpr std::uint8_t kReadName[] = {0x00, 0xB2, 0x02, 0x04, 0x20};        // EF06 rec 2

}  // namespace tarn
