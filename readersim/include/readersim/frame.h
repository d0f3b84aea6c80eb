// Frames and link control bytes of the card reader's serial protocol.
//
// Request: STX, L hi, L lo, CM, PM, data, ETX, BCC (L counts CM, PM and data).
// Reply:   STX, L hi, L lo, "P"/"N", CM echo, PM echo, data, ETX, BCC (L counts status, echoes
//          and data). BCC is the exclusive-or of every byte from STX through ETX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace readersim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEot = 0x04;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kPositive = 'P';
inline constexpr std::uint8_t kNegative = 'N';

// Largest text (L) the reader takes in a request and sends in a reply.
inline constexpr std::size_t kMaxText = 0xFFFF;

// One request frame as the reader parsed it.
struct Request {
  std::uint8_t cm = 0;
  std::uint8_t pm = 0;
  Bytes data;
  friend bool operator==(const Request&, const Request&) = default;
};

// Exclusive-or of all bytes (0 for none).
std::uint8_t bcc(std::span<const std::uint8_t> bytes);

// Whole request frame; throws std::length_error when the data does not fit the length field.
Bytes encode_request(std::uint8_t cm, std::uint8_t pm, std::span<const std::uint8_t> data = {});

// Whole reply frame with status kPositive or kNegative; throws std::length_error as above.
Bytes encode_reply(std::uint8_t status, std::uint8_t cm, std::uint8_t pm,
                   std::span<const std::uint8_t> data = {});

}  // namespace readersim
