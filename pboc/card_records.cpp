#include "card_records.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "Ferro.h"
#include "apdu.h"
#include "appstart.h"
#include "callbacks.h"
#include "context.h"
#include "environment.h"

namespace ferro {
namespace {

constexpr std::uint8_t kLogSfiP2 = 0x5C;  // SFI 11
constexpr int kLogApplications = 5;
constexpr int kSelectRetryPauseMs = 100;

using LogRecord = std::array<std::uint8_t, kLogRecordSize>;

enum class FieldFormat {
  kHex,     // two upper-case hexadecimal digits per byte
  kText,    // the bytes as they are, zero bytes included
  kNumber,  // two bytes big-endian as five decimal digits
};

struct LogField {
  char letter;
  int offset;
  int count;
  FieldFormat format;
};

// Entry fields in output order; each is its letter, its text length in three digits, its text.
constexpr LogField kLogFields[] = {
    {'P', 6, 6, FieldFormat::kHex},      // amount authorised
    {'Q', 12, 6, FieldFormat::kHex},     // amount other
    {'R', 18, 2, FieldFormat::kHex},     // terminal country code
    {'S', 0, 3, FieldFormat::kHex},      // transaction date
    {'T', 42, 1, FieldFormat::kHex},     // transaction type
    {'U', 3, 3, FieldFormat::kHex},      // transaction time
    {'V', 20, 2, FieldFormat::kHex},     // transaction currency code
    {'W', 22, 20, FieldFormat::kText},   // merchant name
    {'X', 43, 2, FieldFormat::kNumber},  // application transaction counter
};

int text_length(const LogField& field) {
  switch (field.format) {
    case FieldFormat::kHex:
      return 2 * field.count;
    case FieldFormat::kText:
      return field.count;
    case FieldFormat::kNumber:
      return 5;
  }
  return 0;
}

// Formats into a scratch buffer and copies the characters without the terminating zero.
template <typename... Args>
char* put_formatted(char* out, const char* format, Args... args) {
  std::array<char, 16> text{};
  const int length = std::snprintf(text.data(), text.size(), format, args...);
  return std::copy_n(text.data(), std::clamp(length, 0, 15), out);
}

char* put_field(char* out, const LogField& field, const LogRecord& record) {
  out = put_formatted(out, "%c%03d", field.letter, text_length(field));
  const std::uint8_t* bytes = record.data() + field.offset;
  switch (field.format) {
    case FieldFormat::kHex:
      for (int i = 0; i < field.count; ++i) out = put_formatted(out, "%02X", bytes[i]);
      return out;
    case FieldFormat::kText:
      return std::copy_n(reinterpret_cast<const char*>(bytes), field.count, out);
    case FieldFormat::kNumber:
      return put_formatted(out, "%05d", bytes[0] * 256 + bytes[1]);
  }
  return out;
}

void write_log_text(std::span<const LogRecord> entries, char* out) {
  out = put_formatted(out, "%02d%03d", static_cast<int>(entries.size()), kLogEntrySize);
  for (const LogRecord& record : entries) {
    for (const LogField& field : kLogFields) out = put_field(out, field, record);
  }
}

// Tries the PBOC applications A0 00 00 03 33 01 01 01 to 05 until one answers 90 00; the log
// is read whatever the outcome.
void select_log_application() {
  for (std::uint8_t x = 1; x <= kLogApplications; ++x) {
    const std::uint8_t aid[] = {0xA0, 0x00, 0x00, 0x03, 0x33, 0x01, 0x01, x};
    Reply reply;
    if (transmit(select_command(aid), reply) != 0) {
      environment().pause_ms(kSelectRetryPauseMs);
      continue;
    }
    if (reply.status_ok()) return;
  }
}

}  // namespace

int read_transaction_log(char* records) {
  if (const int result = callback_poweron()) return result;
  Reply reply;
  if (const int result = transmit(select_command(kPaymentSystemName), reply)) return result;
  select_log_application();

  std::array<LogRecord, kMaxLogEntries> entries{};
  int count = 0;
  while (count < kMaxLogEntries) {
    const auto n = static_cast<std::uint8_t>(count + 1);
    if (const int result = transmit(Command{0x00, 0xB2, n, kLogSfiP2, 0x00}, reply)) return result;
    if (!reply.status_ok()) break;
    // A short record leaves its missing fields zero; the status bytes are not record data.
    const auto data = reply.data();
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), kLogRecordSize),
                entries[count].begin());
    ++count;
  }
  if (count > 0) write_log_text(std::span(entries).first(count), records);
  return 0;
}

int read_balance(std::uint8_t* balance) {
  pboc_context.amount = {};
  if (const int result = application_start(StartDepth::kWithRecords)) return result;
  std::array<std::uint8_t, 6> value{};
  const int result = get_data(0x9F79, value);
  std::copy(value.begin(), value.end(), balance);
  return result;
}

int read_ic_information(std::uint8_t* data, int& data_len) {
  pboc_context.trans_type = 0x60;
  if (const int result = application_start(StartDepth::kWithoutRecords)) return result;
  std::array<std::uint8_t, 2 * (kReplyCapacity - 4)> contents{};
  std::size_t length = 0;
  for (const std::uint8_t record : {0x02, 0x01}) {
    Reply reply;
    if (const int result = transmit(Command{0x00, 0xB2, record, 0x0C, 0x00}, reply)) return result;
    if (!reply.status_ok()) return FERRO_CARD_STATUS;
    if (reply.length < 4) continue;
    const auto inner = reply.all().subspan(2, reply.length - 4);
    std::copy(inner.begin(), inner.end(), contents.begin() + length);
    length += inner.size();
  }
  std::copy_n(contents.begin(), length, data);
  data_len = static_cast<int>(length);
  return 0;
}

}  // namespace ferro
