// The ISO 7816-4 status words the virtual chips answer with.
#pragma once

#include <cstdint>

namespace readersim::status {

using Status = std::uint16_t;
constexpr Status kOk = 0x9000;
constexpr Status kAuthenticationFailed = 0x6300;
constexpr Status kWrongLength = 0x6700;
constexpr Status kConditionsNotSatisfied = 0x6985;
constexpr Status kNoCurrentEf = 0x6986;
constexpr Status kBadMac = 0x6988;
constexpr Status kWrongData = 0x6A80;
constexpr Status kFileNotFound = 0x6A82;
constexpr Status kRecordNotFound = 0x6A83;
constexpr Status kWrongP1P2 = 0x6A86;
constexpr Status kDataNotFound = 0x6A88;
constexpr Status kInsNotSupported = 0x6D00;
constexpr Status kClaNotSupported = 0x6E00;

}  // namespace readersim::status
