#include "readersim/pboc_application.h"

#include <algorithm>
#include <array>

#include "readersim/chip.h"
#include "status_words.h"

namespace readersim {
namespace {

using namespace status;

constexpr std::uint8_t kProprietary = 0x80;
constexpr std::uint8_t kSecureMessaging = 0x84;
constexpr std::uint8_t kGenerateAc = 0xAE;
constexpr std::uint8_t kGetData = 0xCA;
constexpr std::uint8_t kExternalAuthenticate = 0x82;
constexpr std::uint8_t kPutData = 0xDA;

constexpr std::uint8_t kCryptogramTypeMask = 0xC0;
constexpr std::uint8_t kCidArqc = 0x80;
constexpr std::uint8_t kCidTc = 0x40;
constexpr std::uint8_t kCidAac = 0x00;

constexpr std::uint16_t kTagCdol1 = 0x8C;
constexpr std::uint16_t kTagCdol2 = 0x8D;
constexpr std::uint16_t kTagArc = 0x8A;
constexpr std::uint16_t kTagAtc = 0x9F36;
constexpr std::uint16_t kTagBalance = 0x9F79;

// Issuer application data the card reports with every cryptogram (19 bytes, fixed).
constexpr std::array<std::uint8_t, 19> kIssuerApplicationData{
    0x07, 0x01, 0x01, 0x03, 0xA0, 0x00, 0x00, 0x01, 0x0A, 0x01,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// Where each CDOL1 data object goes in a 45-byte log record; the ATC follows at 43.
struct LogField {
  std::size_t offset;
  std::uint16_t tag;
  std::size_t length;
};
constexpr std::array<LogField, 8> kLogFields{{{0, 0x9A, 3},
                                              {3, 0x9F21, 3},
                                              {6, 0x9F02, 6},
                                              {12, 0x9F03, 6},
                                              {18, 0x9F1A, 2},
                                              {20, 0x5F2A, 2},
                                              {22, 0x9F4E, 20},
                                              {42, 0x9C, 1}}};
constexpr std::size_t kLogAtcOffset = 43;

using View = std::span<const std::uint8_t>;

// A data object list: each object's tag, length and place in the data.
struct DolEntry {
  std::uint16_t tag;
  std::size_t length;
  std::size_t offset;
};
struct Dol {
  std::vector<DolEntry> entries;
  std::size_t size = 0;  // of the data it asks for

  std::optional<View> value(View data, std::uint16_t tag) const {
    for (const DolEntry& e : entries)
      if (e.tag == tag && e.offset + e.length <= data.size())
        return data.subspan(e.offset, e.length);
    return std::nullopt;
  }
};

// The DOL kept under `tag` in the application's records; empty when there is none.
Dol read_dol(const std::vector<ElementaryFile>& files, std::uint16_t tag) {
  Dol dol;
  for (const ElementaryFile& ef : files)
    for (const Bytes& record : ef.records) {
      const auto list = pboc::find_data_object(record, tag);
      if (!list) continue;
      std::size_t p = 0;
      while (const auto entry = pboc::read_tag(*list, p)) {
        if (p >= list->size()) break;
        const std::size_t length = (*list)[p++];
        dol.entries.push_back({*entry, length, dol.size});
        dol.size += length;
      }
      return dol;
    }
  return dol;
}

// Copies the DOL's value of `tag` (cut or zero-filled to the field) into `out`.
void copy_value(const Dol& dol, View data, std::uint16_t tag, std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), 0);
  if (const auto value = dol.value(data, tag))
    std::copy_n(value->begin(), std::min(value->size(), out.size()), out.begin());
}

Bytes cryptogram_data(const Dol& cdol1, View data) {
  Bytes out;
  for (const pboc::MacField& field : pboc::kCryptogramFields) {
    Bytes value(field.length);
    copy_value(cdol1, data, field.tag, value);
    out.insert(out.end(), value.begin(), value.end());
  }
  return out;
}

Bytes big_endian(std::uint16_t value) {
  return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// Format 1: 80 L, CID, ATC, cryptogram, issuer application data.
PaymentAnswer cryptogram_answer(std::uint8_t cid, std::uint16_t atc,
                                const pboc::Cryptogram& cryptogram) {
  Bytes value{cid};
  const Bytes counter = big_endian(atc);
  value.insert(value.end(), counter.begin(), counter.end());
  value.insert(value.end(), cryptogram.begin(), cryptogram.end());
  value.insert(value.end(), kIssuerApplicationData.begin(), kIssuerApplicationData.end());
  Bytes data{0x80, static_cast<std::uint8_t>(value.size())};
  data.insert(data.end(), value.begin(), value.end());
  return {std::move(data), kOk};
}

PaymentAnswer status(Status sw) {
  return {{}, sw};
}

class Application {
 public:
  Application(PaymentApplication& app, PaymentSession& session, std::vector<ElementaryFile>& files)
      : app_(app), session_(session), files_(files) {}

  std::optional<PaymentAnswer> answer(const PaymentCommand& c) {
    if (c.cla == kProprietary && c.ins == kGenerateAc) return generate_ac(c);
    if (c.cla == kProprietary && c.ins == kGetData) return get_data(c);
    if (c.cla == 0x00 && c.ins == kExternalAuthenticate) return external_authenticate(c);
    if (c.cla == kSecureMessaging && c.ins == kPutData) return put_data(c);
    return std::nullopt;
  }

 private:
  PaymentAnswer generate_ac(const PaymentCommand& c) {
    if (!session_.started) return first_generate_ac(c);
    if (session_.completed) return status(kConditionsNotSatisfied);
    return second_generate_ac(c);
  }

  // Online only: the card asks for the issuer whatever the terminal requested.
  PaymentAnswer first_generate_ac(const PaymentCommand& c) {
    const Dol cdol1 = read_dol(files_, kTagCdol1);
    if (c.data.size() != cdol1.size) return status(kWrongLength);
    if (app_.atc == UINT16_MAX) return status(kConditionsNotSatisfied);  // counter used up
    ++app_.atc;
    session_ = {};
    session_.started = true;
    session_.first_data.assign(c.data.begin(), c.data.end());
    session_.arqc = pboc::request_cryptogram(app_.key, cryptogram_data(cdol1, c.data), app_.atc);
    return cryptogram_answer(kCidArqc, app_.atc, session_.arqc);
  }

  // A TC only when the terminal asks for one and the issuer, authenticated, approved with the
  // same ARC that the CDOL2 data carry; an AAC otherwise.
  PaymentAnswer second_generate_ac(const PaymentCommand& c) {
    const Dol cdol2 = read_dol(files_, kTagCdol2);
    if (c.data.size() != cdol2.size) return status(kWrongLength);
    const auto arc = cdol2.value(c.data, kTagArc);
    const auto& issuer = session_.issuer;
    const bool approved =
        issuer && *issuer == pboc::kApproved && (c.p1 & kCryptogramTypeMask) == kCidTc &&
        (!arc || std::equal(arc->begin(), arc->end(), issuer->begin(), issuer->end()));
    session_.completed = true;
    const Bytes data = cryptogram_data(read_dol(files_, kTagCdol1), session_.first_data);
    if (approved) append_log();
    return cryptogram_answer(approved ? kCidTc : kCidAac, app_.atc,
                             pboc::certificate(app_.key, data, app_.atc));
  }

  std::optional<PaymentAnswer> get_data(const PaymentCommand& c) {
    const auto tag = static_cast<std::uint16_t>(c.p1 << 8 | c.p2);
    Bytes value;
    if (tag == kTagAtc)
      value = big_endian(app_.atc);
    else if (tag == kTagBalance)
      value.assign(app_.balance.begin(), app_.balance.end());
    else
      return std::nullopt;
    Bytes data{c.p1, c.p2, static_cast<std::uint8_t>(value.size())};
    data.insert(data.end(), value.begin(), value.end());
    return PaymentAnswer{std::move(data), kOk};
  }

  // One attempt per transaction, between the two GENERATE ACs: ARPC (8 bytes) and ARC.
  PaymentAnswer external_authenticate(const PaymentCommand& c) {
    constexpr std::size_t kArpcSize = std::tuple_size_v<pboc::Cryptogram>;
    if (!session_.started || session_.completed || session_.authentication_tried)
      return status(kConditionsNotSatisfied);
    if (c.data.size() != kArpcSize + pboc::Arc{}.size()) return status(kWrongLength);
    session_.authentication_tried = true;
    pboc::Arc arc{};
    std::copy_n(c.data.begin() + kArpcSize, arc.size(), arc.begin());
    const pboc::Cryptogram expected = pboc::response_cryptogram(app_.key, session_.arqc, arc);
    if (!std::equal(expected.begin(), expected.end(), c.data.begin()))
      return status(kAuthenticationFailed);
    session_.issuer = arc;
    return status(kOk);
  }

  // The issuer's balance update: PUT DATA 9F79 with the new balance and the script MAC.
  PaymentAnswer put_data(const PaymentCommand& c) {
    if (c.p1 != pboc::kPutBalanceHeader[2] || c.p2 != pboc::kPutBalanceHeader[3])
      return status(kDataNotFound);
    if (!session_.started) return status(kConditionsNotSatisfied);
    constexpr std::size_t kMacSize = std::tuple_size_v<pboc::ScriptMac>;
    if (c.data.size() != pboc::kBalanceSize + kMacSize) return status(kWrongLength);
    Bytes signed_part{c.cla, c.ins, c.p1, c.p2, static_cast<std::uint8_t>(c.data.size())};
    signed_part.insert(signed_part.end(), c.data.begin(), c.data.end() - kMacSize);
    const pboc::ScriptMac mac = pboc::script_mac(app_.key, signed_part, app_.atc, session_.arqc);
    if (!std::equal(mac.begin(), mac.end(), c.data.end() - kMacSize)) return status(kBadMac);
    const View balance = c.data.first(pboc::kBalanceSize);
    if (!pboc::is_bcd(balance)) return status(kWrongData);
    std::copy(balance.begin(), balance.end(), app_.balance.begin());
    return status(kOk);
  }

  ElementaryFile& log_file() {
    const auto it = std::find_if(files_.begin(), files_.end(),
                                 [](const ElementaryFile& f) { return f.sfi == kLogSfi; });
    if (it != files_.end()) return *it;
    return files_.emplace_back(ElementaryFile{std::nullopt, kLogSfi, {}});
  }

  // The newest record is record 1; past the capacity the oldest is dropped.
  void append_log() {
    const Dol cdol1 = read_dol(files_, kTagCdol1);
    Bytes record(kLogRecordSize, 0);
    for (const LogField& field : kLogFields)
      copy_value(cdol1, session_.first_data, field.tag,
                 std::span(record).subspan(field.offset, field.length));
    const Bytes counter = big_endian(app_.atc);
    std::copy(counter.begin(), counter.end(), record.begin() + kLogAtcOffset);
    auto& records = log_file().records;
    records.insert(records.begin(), std::move(record));
    if (records.size() > app_.log_capacity) records.resize(app_.log_capacity);
  }

  PaymentApplication& app_;
  PaymentSession& session_;
  std::vector<ElementaryFile>& files_;
};

}  // namespace

std::optional<PaymentAnswer> answer_payment(PaymentApplication& app, PaymentSession& session,
                                            std::vector<ElementaryFile>& files,
                                            const PaymentCommand& command) {
  return Application(app, session, files).answer(command);
}

}  // namespace readersim
