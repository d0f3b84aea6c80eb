// The request frame: STX, length (2 bytes, high first), CM, PM, data, ETX, BCC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarn {

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEot = 0x04;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

// Exclusive-or of all bytes (0 for none).
std::uint8_t bcc(std::span<const std::uint8_t> bytes);

// The whole request frame for CM, PM and request data.
std::vector<std::uint8_t> build_frame(std::uint8_t cm, std::uint8_t pm,
                                      std::span<const std::uint8_t> data);

}  // namespace tarn
