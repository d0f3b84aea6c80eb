#include "appstart.h"

#include <algorithm>
#include <array>

#include "Ferro.h"
#include "callbacks.h"
#include "context.h"
#include "environment.h"

namespace ferro {
namespace {

constexpr int kSelectAttempts = 4;
constexpr int kRecordPauseMs = 50;
constexpr int kPdolDataCapacity = 100;
constexpr int kTrack2MinLength = 14;
constexpr int kTrack2MaxLength = 36;
constexpr int kCdol1MinLength = 0x1B;
constexpr int kCdol1MaxLength = 0x1F;
constexpr int kPbocCdol1Length = 27;  // the CDOL1 behind which a CDOL2 is looked for

// READ RECORD P2 of a directory: SFI 1 to 6, any other SFI read as SFI 1.
std::uint8_t directory_p2(std::uint8_t sfi) {
  return static_cast<std::uint8_t>((sfi >= 1 && sfi <= 6 ? sfi : 1) * 8 + 4);
}

void take_cdol2(std::span<const std::uint8_t> behind_cdol1) {
  if (behind_cdol1.size() < 2 || behind_cdol1[0] != 0x8D) return;
  const std::size_t length = behind_cdol1[1];
  if (length > pboc_context.cdol2.size() || 2 + length > behind_cdol1.size()) return;
  std::copy_n(behind_cdol1.begin() + 2, length, pboc_context.cdol2.begin());
  pboc_context.cdol2_len = static_cast<std::uint8_t>(length);
}

struct RecordFinds {
  bool cdol = false;
  bool track2 = false;
  bool pan_seq = false;
};

// Track 2 data (57, 14 to 36 bytes) at position p of a record template ending before end.
bool take_track2(const Reply& reply, int p, int end) {
  const int length = reply.at(p + 1);
  if (reply.at(p) != 0x57 || p + 1 >= end || length < kTrack2MinLength ||
      length > kTrack2MaxLength || p + 2 + length > end) {
    return false;
  }
  std::copy_n(reply.bytes.begin() + p + 2, length, pboc_context.track2.begin());
  pboc_context.track2_len = length;
  return true;
}

// PAN sequence number (5F 34 01 and the byte after them) at position p.
bool take_pan_seq(const Reply& reply, int p, int end) {
  if (p + 3 >= end || reply.at(p) != 0x5F || reply.at(p + 1) != 0x34 || reply.at(p + 2) != 0x01) {
    return false;
  }
  pboc_context.pan_seq = reply.at(p + 3);
  return true;
}

// Scans the content of a record template 70 L (short length form only) position by position;
// true when track 2 data were found and the reading is to stop there.
bool scan_record_template(const Reply& reply, RecordFinds& finds) {
  if (reply.length < 2 || reply.at(0) != 0x70 || reply.at(1) >= 0x80) return false;
  const int end = std::min(2 + reply.at(1), reply.length);
  for (int p = 2; p < end; ++p) {
    if (!finds.track2 && take_track2(reply, p, end)) {
      finds.track2 = true;
      if (pboc_context.stop_after_track2) {
        pboc_context.stop_after_track2 = false;
        return true;
      }
    }
    if (!finds.pan_seq) finds.pan_seq = take_pan_seq(reply, p, end);
  }
  return false;
}

}  // namespace

Command select_command(std::span<const std::uint8_t> name) {
  Command select{0x00, 0xA4, 0x04, 0x00};
  select.add(static_cast<std::uint8_t>(name.size())).add(name);
  return select;
}

int select_by_name(std::span<const std::uint8_t> name, Reply& reply) {
  if (const int result = transmit(select_command(name), reply)) return result;
  fetch_response(reply);  // its transport result is not examined: the status decides
  return reply.status_ok() ? 0 : FERRO_CARD_STATUS;
}

int select_payment_system(std::span<std::uint8_t> aid, int& aid_len) {
  Reply reply;
  if (const int result = select_by_name(kPaymentSystemName, reply)) return result;
  std::array<std::uint8_t, 255> sfi{};
  int sfi_len = 0;
  if (find_tag(reply.all(), 0x88, sfi, sfi_len) != 0) return FERRO_MISSING_DATA;

  Reply record;
  if (const int result = transmit(Command{0x00, 0xB2, 0x01, directory_p2(sfi[0]), 0x00}, record)) {
    return result;
  }
  if (!record.status_ok()) return FERRO_MISSING_DATA;
  if (find_tag(record.all(), 0x4F, aid, aid_len) != 0) return FERRO_MISSING_DATA;
  return 0;
}

int select_application(std::span<std::uint8_t> aid, std::span<std::uint8_t> pdol, int& pdol_len) {
  Reply reply;
  int result = 0;
  for (int attempt = 0; attempt < kSelectAttempts; ++attempt) {
    if (attempt > 0 && aid.size() >= 8) aid[7] = static_cast<std::uint8_t>(aid[7] + attempt);
    result = select_by_name(aid, reply);
    if (result == 0) break;
  }
  if (result != 0) return result;
  if (find_tag(reply.all(), 0x9F38, pdol, pdol_len) != 0) return FERRO_MISSING_DATA;
  return 0;
}

int get_processing_options(std::span<const std::uint8_t> pdol, std::span<std::uint8_t> afl,
                           int& afl_len) {
  std::array<std::uint8_t, kPdolDataCapacity> data{};
  int n = 0;
  if (!build_dol_data(pdol, data, n)) return FERRO_BAD_CARD_DATA;
  Command gpo{0x80, 0xA8, 0x00, 0x00};
  gpo.add(static_cast<std::uint8_t>(n + 2)).add(0x83).add(static_cast<std::uint8_t>(n));
  gpo.add(std::span(data).first(n)).add(0x00);

  Reply reply;
  if (const int result = transmit(gpo, reply)) return result;
  if (const int result = fetch_response(reply)) return result;
  if (!reply.status_ok()) return FERRO_MISSING_DATA;
  pboc_context.aip = {reply.at(2), reply.at(3)};

  std::array<std::uint8_t, 255> value{};
  int value_len = 0;
  if (find_tag(reply.all(), 0x80, value, value_len) != 0) return FERRO_MISSING_DATA;
  afl_len = std::max(value_len - 2, 0);
  std::copy_n(value.begin() + 2, afl_len, afl.begin());
  return 0;
}

int read_application_data(std::span<const std::uint8_t> afl) {
  for (std::size_t i = 0; i + 4 <= afl.size(); i += 4) {
    if (read_afl_entry(afl.subspan(i).first<4>()) == EntryOutcome::kStoppedAtTrack2) return 0;
  }
  draw_unpredictable_number(pboc_context.unpredictable_number);
  std::array<std::uint8_t, 2> atc{};
  get_data(0x9F36, atc);  // asked for the card's sake; neither value nor result is used
  return 0;
}

EntryOutcome read_afl_entry(std::span<const std::uint8_t, 4> entry) {
  RecordFinds finds;
  const std::uint8_t p2 = static_cast<std::uint8_t>(entry[0] + 4);
  for (int r = entry[1]; r <= entry[2]; ++r) {
    Reply reply;
    if (transmit(Command{0x00, 0xB2, static_cast<std::uint8_t>(r), p2, 0x00}, reply) != 0) {
      return EntryOutcome::kRead;  // a failed read ends the entry, not the operation
    }
    environment().pause_ms(kRecordPauseMs);
    if (!finds.cdol) finds.cdol = find_cdol(reply);
    if (scan_record_template(reply, finds)) return EntryOutcome::kStoppedAtTrack2;
  }
  return EntryOutcome::kRead;
}

bool find_cdol(const Reply& reply) {
  const std::span<const std::uint8_t> bytes = reply.all();
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    const std::size_t length = bytes[i + 1];
    if (bytes[i] != 0x8C || length < kCdol1MinLength || length > kCdol1MaxLength ||
        i + 2 + length > bytes.size()) {
      continue;
    }
    std::copy_n(bytes.begin() + i + 2, length, pboc_context.cdol1.begin());
    pboc_context.cdol1_len = static_cast<std::uint8_t>(length);
    if (length == kPbocCdol1Length) take_cdol2(bytes.subspan(i + 2 + length));
    return true;
  }
  return false;
}

int get_data(unsigned tag, std::span<std::uint8_t> out) {
  Reply reply;
  const Command command{0x80, 0xCA, static_cast<std::uint8_t>(tag >> 8),
                        static_cast<std::uint8_t>(tag), 0x00};
  if (const int result = transmit(command, reply)) return result;
  if (reply.length < 5) return 0;
  const auto value = reply.all().subspan(3, reply.length - 5);
  std::copy_n(value.begin(), std::min(value.size(), out.size()), out.begin());
  return 0;
}

int application_start(StartDepth depth) {
  if (const int result = callback_poweron()) return result;
  std::array<std::uint8_t, kAidCapacity> aid{};
  int aid_len = 0;
  if (const int result = select_payment_system(aid, aid_len)) return result;
  std::array<std::uint8_t, kDolCapacity> pdol{};
  int pdol_len = 0;
  if (const int result = select_application(std::span(aid).first(aid_len), pdol, pdol_len)) {
    return result;
  }
  std::array<std::uint8_t, kAflCapacity> afl{};
  int afl_len = 0;
  if (const int result = get_processing_options(std::span(pdol).first(pdol_len), afl, afl_len)) {
    return result;
  }
  if (depth == StartDepth::kWithoutRecords) return 0;
  return read_application_data(std::span(afl).first(afl_len));
}

void hand_out_track2(std::uint8_t* track2, int& track2_len) {
  std::copy_n(pboc_context.track2.begin(), pboc_context.track2_len, track2);
  track2_len = pboc_context.track2_len;
}

int read_card_number(int& track2_len, std::uint8_t* track2) {
  pboc_context.stop_after_track2 = true;
  pboc_context.trans_type = 0x60;
  if (const int result = application_start(StartDepth::kWithRecords)) return result;
  hand_out_track2(track2, track2_len);
  return 0;
}

}  // namespace ferro
