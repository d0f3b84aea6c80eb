#include "script.h"

#include <algorithm>
#include <array>

#include "Ferro.h"
#include "apdu.h"
#include "callbacks.h"
#include "context.h"
#include "tlv.h"

namespace ferro {
namespace {

constexpr std::size_t kDecodedCapacity = kMaxIssuerText / 2;
constexpr std::size_t kScannedPositions = 30;
constexpr std::size_t kMaxIssuerObject = 31;
constexpr std::size_t kArcSize = 2;
constexpr int kGacHeaderSize = 5;
constexpr std::size_t kSecondGacFields = 32;   // 80 L, CID, ATC, cryptogram, 19 bytes of IAD
constexpr std::size_t kMinSecondGacData = 13;  // up to the end of the cryptogram
constexpr std::uint8_t kRequestTc = 0x40;

using Bytes = std::span<const std::uint8_t>;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

// Length of a text, counted up to limit + 1 characters at most.
std::size_t bounded_length(const char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length <= limit && text[length] != '\0') ++length;
  return length;
}

// Sends a command whose reply must carry the status 90 00.
int send_checked(const Command& command, Reply& reply) {
  if (const int result = transmit(command, reply)) return result;
  return reply.status_ok() ? 0 : FERRO_CARD_STATUS;
}

int external_authenticate(Bytes authentication) {
  Command command{0x00, 0x82, 0x00, 0x00};
  command.add(static_cast<std::uint8_t>(authentication.size())).add(authentication);
  Reply reply;
  return send_checked(command, reply);
}

// The second GENERATE AC repeats the first one's data, led by the ARC when the CDOL2 is the
// CDOL1 with the two ARC bytes added. The Lc byte always counts the data sent.
int generate_ac_second(Bytes arc, Reply& reply) {
  const PbocContext& ctx = pboc_context;
  const Bytes first_data = Bytes(ctx.first_gac_command)
                               .subspan(kGacHeaderSize, ctx.first_gac_command_len - kGacHeaderSize);
  Command command{0x80, 0xAE, kRequestTc, 0x00};
  if (ctx.cdol2_len == ctx.cdol1_len) {
    command.add(static_cast<std::uint8_t>(first_data.size()));
  } else if (ctx.cdol2_len == ctx.cdol1_len + kArcSize) {
    command.add(static_cast<std::uint8_t>(first_data.size() + kArcSize)).add(arc);
  } else {
    return FERRO_CARD_STATUS;
  }
  command.add(first_data);
  if (const int result = send_checked(command, reply)) return result;
  return reply.data().size() < kMinSecondGacData ? FERRO_BAD_CARD_DATA : 0;
}

void write_result(const Reply& second_gac, std::uint8_t* result) {
  // Fields past the end of the reply's data count as zero, never as its status bytes.
  std::array<std::uint8_t, kSecondGacFields> fields{};
  const Bytes data = second_gac.data();
  std::copy_n(data.begin(), std::min(data.size(), fields.size()), fields.begin());
  const Bytes reply = fields;
  const SavedField55& saved = pboc_context.saved_field55;
  const TlvItem items[] = {
      {0x9F33, saved.terminal_capabilities},
      {0x95, saved.tvr},
      {0x9F10, reply.subspan(13, 19)},
      {0x9F26, reply.subspan(5, 8)},
      {0x9F36, saved.atc},
      {0x82, saved.aip},
      {0x9F1A, saved.country_code},
      {0x9A, saved.txn_date},
      {0x9F02, saved.amount},
      {0x5F2A, saved.currency_code},
      {0x9F03, saved.amount_other},
      {0x9F37, saved.unpredictable_number},
      {0x9F27, reply.subspan(2, 1)},
  };
  write_tlv_list(items, result);
}

}  // namespace

std::size_t hex_to_bytes(std::string_view text, std::span<std::uint8_t> out) {
  if (text.size() % 2 != 0) return 0;
  const std::size_t count = std::min(text.size() / 2, out.size());
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = static_cast<std::uint8_t>(hex_digit(text[2 * i]) << 4 | hex_digit(text[2 * i + 1]));
  }
  return count;
}

IssuerData scan_issuer_data(std::span<const std::uint8_t> decoded) {
  IssuerData found;
  std::size_t p = 0;
  while (p < kScannedPositions && p + 1 < decoded.size()) {
    const std::uint8_t tag = decoded[p];
    const std::size_t length = decoded[p + 1];
    if ((tag != 0x86 && tag != 0x91) || length < 1 || length > kMaxIssuerObject ||
        p + 2 + length > decoded.size()) {
      ++p;
      continue;
    }
    const Bytes value = decoded.subspan(p + 2, length);
    if (tag == 0x91) {
      found.authentication = value;
      break;
    }
    found.script_command = value;
    p += 2 + length;
  }
  return found;
}

int complete_online_transaction(const char* issuer_data_hex, std::uint8_t* result) {
  const std::size_t text_length = bounded_length(issuer_data_hex, kMaxIssuerText);
  if (text_length > kMaxIssuerText) return FERRO_BAD_ARGUMENT;
  std::array<std::uint8_t, kDecodedCapacity> decoded{};
  const std::size_t count = hex_to_bytes({issuer_data_hex, text_length}, decoded);
  const IssuerData issuer = scan_issuer_data(std::span(decoded).first(count));
  // Nothing is sent without the issuer's authentication data (with its ARC) or without a first
  // GENERATE AC to complete.
  if (issuer.authentication.size() < kArcSize) return FERRO_MISSING_DATA;
  if (pboc_context.first_gac_command_len < kGacHeaderSize) return FERRO_MISSING_DATA;

  if (const int code = external_authenticate(issuer.authentication)) return code;
  Reply reply;
  if (const int code = generate_ac_second(issuer.authentication.last(kArcSize), reply)) return code;
  write_result(reply, result);
  if (!issuer.script_command.empty()) {
    if (const int code = send_checked(Command{}.add(issuer.script_command), reply)) return code;
  }
  callback_poweroff();  // the transaction is complete whatever the power-off answers
  return 0;
}

}  // namespace ferro
