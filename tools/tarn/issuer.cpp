#include "issuer.h"

#include <algorithm>
#include <cstdio>

namespace tarn_tool {
namespace {

namespace pboc = readersim::pboc;
using View = std::span<const std::uint8_t>;

constexpr std::uint16_t kTagCryptogram = 0x9F26;
constexpr std::uint16_t kTagCid = 0x9F27;
constexpr std::uint16_t kTagAtc = 0x9F36;
constexpr std::uint8_t kCidArqc = 0x80;

std::string tag_name(std::uint16_t tag) {
  char text[8];
  std::snprintf(text, sizeof text, tag > 0xFF ? "%04X" : "%02X", tag);
  return text;
}

View object(View field55, std::uint16_t tag, std::size_t length) {
  const auto value = pboc::find_data_object(field55, tag);
  if (!value) throw IssuerRefusal("field 55 holds no " + tag_name(tag));
  if (value->size() != length)
    throw IssuerRefusal("field 55: " + tag_name(tag) + " is " + std::to_string(value->size()) +
                        " bytes long, not " + std::to_string(length));
  return *value;
}

template <std::size_t N>
std::array<std::uint8_t, N> fixed(View bytes) {
  std::array<std::uint8_t, N> out{};
  std::copy_n(bytes.begin(), N, out.begin());
  return out;
}

void append_object(std::string& text, std::uint8_t tag, View value) {
  char byte[3];
  const auto put = [&](std::uint8_t b) {
    std::snprintf(byte, sizeof byte, "%02X", b);
    text += byte;
  };
  put(tag);
  put(static_cast<std::uint8_t>(value.size()));
  for (const std::uint8_t b : value) put(b);
}

}  // namespace

readersim::Bytes card_key(const readersim::Card& card) {
  for (const auto* chip : {&card.contact, &card.contactless})
    if (*chip)
      for (const auto& df : (*chip)->dfs)
        if (df.payment) return df.payment->key;
  throw readersim::CardError("the card has no payment application with a test key");
}

std::string issuer_answer(std::span<const std::uint8_t> key, std::span<const std::uint8_t> field55,
                          const IssuerDecision& decision) {
  if (object(field55, kTagCid, 1)[0] != kCidArqc)
    throw IssuerRefusal("field 55 carries no ARQC (9F27 is not 80)");
  const auto arqc = fixed<8>(object(field55, kTagCryptogram, 8));
  const View atc_bytes = object(field55, kTagAtc, 2);
  const auto atc = static_cast<std::uint16_t>(atc_bytes[0] << 8 | atc_bytes[1]);
  readersim::Bytes data;
  for (const pboc::MacField& field : pboc::kCryptogramFields) {
    const View value = object(field55, field.tag, field.length);
    data.insert(data.end(), value.begin(), value.end());
  }
  if (pboc::request_cryptogram(key, data, atc) != arqc)
    throw IssuerRefusal(
        "the ARQC does not verify: field 55 was altered or comes from another card");

  std::string text;
  if (decision.balance)
    append_object(text, 0x86, pboc::put_balance_command(key, *decision.balance, atc, arqc));
  const pboc::Arc arc = decision.approve ? pboc::kApproved : pboc::kDeclined;
  const pboc::Cryptogram arpc = pboc::response_cryptogram(key, arqc, arc);
  readersim::Bytes authentication(arpc.begin(), arpc.end());
  authentication.insert(authentication.end(), arc.begin(), arc.end());
  append_object(text, 0x91, authentication);
  return text;
}

}  // namespace tarn_tool
