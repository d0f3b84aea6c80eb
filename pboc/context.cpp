#include "context.h"

#include <algorithm>
#include <random>

#include "environment.h"

namespace ferro {

PbocContext pboc_context;

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kChinaCode[] = {0x01, 0x56};  // terminal country, transaction currency
constexpr std::uint8_t kTvr[] = {0x80, 0x00, 0x04, 0xE8, 0x00};
constexpr std::uint8_t kDolCapabilities[] = {0x20, 0xA1, 0x00};
constexpr std::uint8_t kTtqFirstByte[] = {0x54};
constexpr std::uint8_t kZero[] = {0x00};
constexpr std::uint8_t kResponseCode[] = {0x30, 0x30};  // "00"

enum class Fill {
  kFixed,   // the source bytes, whatever length the card asks for
  kPadded,  // the first L source bytes, then zero bytes up to L (at least min_length bytes)
  kDate,    // the local date, BCD YY MM DD; also kept as the transaction date
  kTime,    // the local time, BCD hh mm ss
};

struct TerminalItem {
  unsigned tag;
  Fill fill;
  Bytes (*source)();
  std::size_t min_length;
};

constexpr Bytes none() {
  return {};
}

constexpr TerminalItem kTerminalData[] = {
    {0x9F02, Fill::kPadded, [] { return Bytes(pboc_context.amount); }, 0},
    {0x9F03, Fill::kPadded, none, 0},
    {0x9F1A, Fill::kFixed, [] { return Bytes(kChinaCode); }, 0},
    {0x5F2A, Fill::kFixed, [] { return Bytes(kChinaCode); }, 0},
    {0x95, Fill::kFixed, [] { return Bytes(kTvr); }, 0},
    {0x9A, Fill::kDate, none, 0},
    {0x9F21, Fill::kTime, none, 0},
    {0x9C, Fill::kFixed, [] { return Bytes(&pboc_context.trans_type, 1); }, 0},
    {0x9F37, Fill::kPadded, [] { return Bytes(pboc_context.unpredictable_number); }, 0},
    {0x9F4E, Fill::kPadded, none, 0},
    {0x9F33, Fill::kFixed, [] { return Bytes(kDolCapabilities); }, 0},
    {0x9F66, Fill::kPadded, [] { return Bytes(kTtqFirstByte); }, 1},
    {0x9F7A, Fill::kFixed, [] { return Bytes(kZero); }, 0},
    {0xDF60, Fill::kFixed, [] { return Bytes(kZero); }, 0},
    {0xDF69, Fill::kFixed, [] { return Bytes(kZero); }, 0},
    {0x8A, Fill::kFixed, [] { return Bytes(kResponseCode); }, 0},
};

const TerminalItem* terminal_item(unsigned tag) {
  const auto* it = std::find_if(std::begin(kTerminalData), std::end(kTerminalData),
                                [tag](const TerminalItem& item) { return item.tag == tag; });
  return it == std::end(kTerminalData) ? nullptr : it;
}

std::uint8_t bcd(int value) {
  return static_cast<std::uint8_t>((value / 10) * 16 + value % 10);
}

// Appends to a fixed buffer and remembers when something did not fit.
class DolWriter {
 public:
  explicit DolWriter(std::span<std::uint8_t> out) : out_(out) {}

  void put(Bytes bytes) {
    if (!reserve(bytes.size())) return;
    std::copy(bytes.begin(), bytes.end(), out_.begin() + length_);
    length_ += bytes.size();
  }
  void put_zeros(std::size_t count) {
    if (!reserve(count)) return;
    std::fill_n(out_.begin() + length_, count, 0);
    length_ += count;
  }
  bool overflow() const { return overflow_; }
  int length() const { return static_cast<int>(length_); }

 private:
  bool reserve(std::size_t count) {
    overflow_ = overflow_ || count > out_.size() - length_;
    return !overflow_;
  }

  std::span<std::uint8_t> out_;
  std::size_t length_ = 0;
  bool overflow_ = false;
};

class DolBuilder {
 public:
  explicit DolBuilder(std::span<std::uint8_t> out) : writer_(out) {}

  void serve(const TerminalItem& item, std::size_t length) {
    switch (item.fill) {
      case Fill::kFixed:
        writer_.put(item.source());
        break;
      case Fill::kPadded:
        put_padded(item.source(), std::max(length, item.min_length));
        break;
      case Fill::kDate:
        put_date();
        break;
      case Fill::kTime:
        put_time();
        break;
    }
  }
  const DolWriter& writer() const { return writer_; }

 private:
  void put_padded(Bytes source, std::size_t length) {
    const std::size_t taken = std::min(length, source.size());
    writer_.put(source.first(taken));
    writer_.put_zeros(length - taken);
  }
  void put_date() {
    date_reading_ = environment().local_time();
    has_date_reading_ = true;
    pboc_context.txn_date = {bcd(date_reading_.year % 100), bcd(date_reading_.month),
                             bcd(date_reading_.day)};
    writer_.put(pboc_context.txn_date);
  }
  void put_time() {
    const LocalTime reading = has_date_reading_ ? date_reading_ : environment().local_time();
    const std::uint8_t time[] = {bcd(reading.hour), bcd(reading.minute), bcd(reading.second)};
    writer_.put(time);
  }

  DolWriter writer_;
  LocalTime date_reading_{};  // the clock reading of the last 9A served
  bool has_date_reading_ = false;
};

std::size_t dol_tag_size(std::uint8_t first_byte) {
  return (first_byte & 0x1F) == 0x1F ? 2 : 1;
}

}  // namespace

int find_tag(std::span<const std::uint8_t> data, unsigned tag, std::span<std::uint8_t> value,
             int& value_len) {
  if (tag == 0x00 || tag == 0xFF || tag >= 0xFFFF) return kTagNotFound;
  const std::size_t tag_size = tag > 0xFF ? 2 : 1;
  const std::uint8_t tag_bytes[] = {static_cast<std::uint8_t>(tag >> 8),
                                    static_cast<std::uint8_t>(tag)};
  const Bytes wanted = Bytes(tag_bytes).last(tag_size);
  for (std::size_t i = 0; i + tag_size < data.size(); ++i) {
    if (!std::equal(wanted.begin(), wanted.end(), data.begin() + i)) continue;
    const std::size_t length = data[i + tag_size];
    const std::size_t start = i + tag_size + 1;
    if (start + length > data.size() || length > value.size()) continue;
    std::copy_n(data.begin() + start, length, value.begin());
    value_len = static_cast<int>(length);
    return 0;
  }
  return kTagNotFound;
}

bool build_dol_data(std::span<const std::uint8_t> dol, std::span<std::uint8_t> out, int& out_len) {
  DolBuilder builder(out);
  std::size_t pos = 0;
  while (pos < dol.size()) {
    const std::size_t tag_size = dol_tag_size(dol[pos]);
    if (pos + tag_size >= dol.size()) break;  // an entry cut short has no length byte
    const unsigned tag = tag_size == 2 ? (dol[pos] << 8) | dol[pos + 1] : dol[pos];
    const std::size_t length = dol[pos + tag_size];
    pos += tag_size + 1;
    if (const TerminalItem* item = terminal_item(tag)) builder.serve(*item, length);
  }
  const bool fits = !builder.writer().overflow();
  out_len = fits ? builder.writer().length() : 0;
  return fits;
}

void draw_unpredictable_number(std::span<std::uint8_t> out) {
  std::minstd_rand generator(
      static_cast<std::minstd_rand::result_type>(environment().epoch_seconds()));
  for (std::uint8_t& byte : out) byte = static_cast<std::uint8_t>(generator() % 16);
}

}  // namespace ferro
