#include "first_gen_ac.h"

#include <algorithm>

#include "Ferro.h"
#include "apdu.h"
#include "appstart.h"
#include "context.h"
#include "tlv.h"

namespace ferro {
namespace {

constexpr int kHeaderSize = 5;
constexpr int kGacDataCapacity = kFirstGacCapacity - kHeaderSize;
constexpr int kMinReplyLength = 20;
constexpr std::uint8_t kField55Capabilities[] = {0x60, 0x40, 0xE8};
constexpr std::uint8_t kCvmResults[] = {0x3F, 0x00, 0x00};

using Bytes = std::span<const std::uint8_t>;

}  // namespace

int generate_ac_first(std::uint8_t p1, std::span<std::uint8_t, kGacDataSize> gac_data,
                      GacValue& gac_value) {
  std::array<std::uint8_t, kGacDataCapacity> data{};
  int n = 0;
  const auto cdol1 = std::span(pboc_context.cdol1).first(pboc_context.cdol1_len);
  if (!build_dol_data(cdol1, data, n)) return FERRO_BAD_CARD_DATA;
  Command command{0x80, 0xAE, p1, 0x00};
  command.add(static_cast<std::uint8_t>(n)).add(std::span(data).first(n));

  Reply reply;
  if (const int result = transmit(command, reply)) return result;
  if (const int result = fetch_response(reply)) return result;
  if (!reply.status_ok() || reply.length < kMinReplyLength) return FERRO_MISSING_DATA;
  if (find_tag(reply.all(), 0x80, gac_value.bytes, gac_value.length) != 0) {
    return FERRO_MISSING_DATA;
  }
  if (gac_value.length < kMinGacValueLength) return FERRO_BAD_CARD_DATA;

  std::copy_n(data.begin(), kGacDataSize, gac_data.begin());
  const auto sent = command.bytes();
  std::copy(sent.begin(), sent.end(), pboc_context.first_gac_command.begin());
  pboc_context.first_gac_command_len = static_cast<int>(sent.size());
  pboc_context.iad_len = gac_value.length - kMinGacValueLength;
  return 0;
}

int build_field55(std::span<const std::uint8_t, kGacDataSize> gac_data, const GacValue& gac_value,
                  std::uint8_t* icc_data) {
  const Bytes value = std::span(gac_value.bytes).first(gac_value.length);
  const PbocContext& ctx = pboc_context;
  const Bytes cid = value.subspan(0, 1);
  const Bytes atc = value.subspan(1, 2);
  const Bytes tvr = gac_data.subspan(14, 5);
  const Bytes amount = gac_data.subspan(0, 6);
  const Bytes currency = gac_data.subspan(19, 2);
  const Bytes country = gac_data.subspan(12, 2);
  const Bytes amount_other = gac_data.subspan(6, 6);
  const TlvItem items[] = {
      {0x9F26, value.subspan(3, 8)},
      {0x9F27, cid},
      {0x9F10, value.subspan(kMinGacValueLength, ctx.iad_len)},
      {0x9F37, ctx.unpredictable_number},
      {0x9F36, atc},
      {0x95, tvr},
      {0x9A, ctx.txn_date},
      {0x9C, gac_data.subspan(24, 1)},
      {0x9F02, amount},
      {0x5F2A, currency},
      {0x82, ctx.aip},
      {0x9F1A, country},
      {0x9F03, amount_other},
      {0x9F33, kField55Capabilities},
      {0x9F34, kCvmResults},
  };
  write_tlv_list(items, icc_data);

  SavedField55& saved = pboc_context.saved_field55;
  std::copy_n(kField55Capabilities, 3, saved.terminal_capabilities.begin());
  std::copy(tvr.begin(), tvr.end(), saved.tvr.begin());
  std::copy(atc.begin(), atc.end(), saved.atc.begin());
  saved.aip = ctx.aip;
  std::copy(country.begin(), country.end(), saved.country_code.begin());
  saved.txn_date = ctx.txn_date;
  std::copy(amount.begin(), amount.end(), saved.amount.begin());
  std::copy(currency.begin(), currency.end(), saved.currency_code.begin());
  std::copy(amount_other.begin(), amount_other.end(), saved.amount_other.begin());
  saved.unpredictable_number = ctx.unpredictable_number;
  return static_cast<int>(tlv_list_size(items));
}

int run_field55(const std::uint8_t* amount, int trans_type, const CardNumberOut* card_number,
                std::uint8_t* icc_data, int& icc_data_len) {
  std::copy_n(amount, pboc_context.amount.size(), pboc_context.amount.begin());
  pboc_context.trans_type = static_cast<std::uint8_t>(trans_type);
  if (const int result = application_start(StartDepth::kWithRecords)) return result;
  if (card_number != nullptr) {
    hand_out_track2(card_number->track2, *card_number->track2_len);
    *card_number->pan_seq = pboc_context.pan_seq;
  }
  std::array<std::uint8_t, kGacDataSize> gac_data{};
  GacValue gac_value;
  if (const int result = generate_ac_first(kRequestArqc, gac_data, gac_value)) return result;
  icc_data_len = build_field55(gac_data, gac_value, icc_data);
  return 0;
}

}  // namespace ferro
