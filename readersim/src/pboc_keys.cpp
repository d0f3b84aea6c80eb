#include "readersim/pboc_keys.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <string_view>

namespace readersim::pboc {
namespace {

enum class Purpose : std::uint8_t { Request = 1, Certificate = 2, Response = 3, Script = 4 };

// HMAC-SHA256 over the purpose byte and the parts, its first N bytes.
template <std::size_t N>
std::array<std::uint8_t, N> mac(std::span<const std::uint8_t> key, Purpose purpose,
                                std::initializer_list<std::span<const std::uint8_t>> parts) {
  Bytes message{static_cast<std::uint8_t>(purpose)};
  for (const auto part : parts) message.insert(message.end(), part.begin(), part.end());
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest{};
  unsigned size = 0;
  if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), message.data(), message.size(),
            digest.data(), &size) ||
      size < N)
    throw std::runtime_error("HMAC-SHA256 failed");
  std::array<std::uint8_t, N> out{};
  std::copy_n(digest.begin(), N, out.begin());
  return out;
}

std::array<std::uint8_t, 2> counter(std::uint16_t atc) {
  return {static_cast<std::uint8_t>(atc >> 8), static_cast<std::uint8_t>(atc)};
}

}  // namespace

Cryptogram request_cryptogram(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                              std::uint16_t atc) {
  return mac<8>(key, Purpose::Request, {data, counter(atc)});
}

Cryptogram certificate(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                       std::uint16_t atc) {
  return mac<8>(key, Purpose::Certificate, {data, counter(atc)});
}

Cryptogram response_cryptogram(std::span<const std::uint8_t> key, const Cryptogram& arqc,
                               const Arc& arc) {
  return mac<8>(key, Purpose::Response, {arqc, arc});
}

ScriptMac script_mac(std::span<const std::uint8_t> key, std::span<const std::uint8_t> command,
                     std::uint16_t atc, const Cryptogram& arqc) {
  return mac<4>(key, Purpose::Script, {command, counter(atc), arqc});
}

Bytes put_balance_command(std::span<const std::uint8_t> key, const Balance& balance,
                          std::uint16_t atc, const Cryptogram& arqc) {
  Bytes command(kPutBalanceHeader.begin(), kPutBalanceHeader.end());
  command.push_back(static_cast<std::uint8_t>(kBalanceSize + ScriptMac{}.size()));
  command.insert(command.end(), balance.begin(), balance.end());
  const ScriptMac tag = script_mac(key, command, atc, arqc);
  command.insert(command.end(), tag.begin(), tag.end());
  return command;
}

std::optional<std::uint16_t> read_tag(std::span<const std::uint8_t> bytes, std::size_t& p) {
  if (p >= bytes.size()) return std::nullopt;
  std::uint16_t tag = bytes[p++];
  if ((tag & 0x1F) == 0x1F) {
    if (p >= bytes.size()) return std::nullopt;
    tag = static_cast<std::uint16_t>(tag << 8 | bytes[p++]);
  }
  return tag;
}

std::optional<std::span<const std::uint8_t>> find_data_object(std::span<const std::uint8_t> bytes,
                                                              std::uint16_t tag) {
  constexpr std::uint8_t kOneLengthByte = 0x81;
  constexpr std::uint16_t kRecordTemplate = 0x70;
  std::size_t p = 0;
  while (const auto found = read_tag(bytes, p)) {
    if (p >= bytes.size()) return std::nullopt;
    std::size_t length = bytes[p++];
    if (length == kOneLengthByte && p < bytes.size())
      length = bytes[p++];
    else if (length >= 0x80)
      return std::nullopt;
    if (length > bytes.size() - p) return std::nullopt;
    const auto value = bytes.subspan(p, length);
    if (*found == tag) return value;
    if (*found == kRecordTemplate) return find_data_object(value, tag);
    p += length;
  }
  return std::nullopt;
}

std::optional<Balance> balance_from_digits(std::string_view digits) {
  constexpr std::size_t kDigits = kBalanceSize * 2;
  if (digits.empty() || digits.size() > kDigits ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const std::string padded = std::string(kDigits - digits.size(), '0') + std::string(digits);
  Balance balance{};
  for (std::size_t i = 0; i < kBalanceSize; ++i)
    balance[i] = static_cast<std::uint8_t>((padded[2 * i] - '0') << 4 | (padded[2 * i + 1] - '0'));
  return balance;
}

bool is_bcd(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](std::uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; });
}

}  // namespace readersim::pboc
