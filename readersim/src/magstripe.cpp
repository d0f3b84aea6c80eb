#include "magstripe.h"

#include <bit>
#include <cstdint>

namespace readersim {
namespace {

// Track 1 holds 6-bit characters from 0x20, tracks 2 and 3 hold 4-bit characters from 0x30.
struct TrackFormat {
  char first;
  int bits;
  std::size_t max_chars;
  char start_sentinel;
};

constexpr char kEndSentinel = '?';

constexpr TrackFormat kFormats[3] = {{0x20, 6, 76, '%'}, {0x30, 4, 37, ';'}, {0x30, 4, 104, ';'}};

int code_of(const TrackFormat& f, char c) {
  return c - f.first;
}

class BitWriter {
 public:
  void put(int value, int bits) {
    for (int i = 0; i < bits; ++i) put_bit((value >> i) & 1);
  }
  void put_with_parity(int value, int bits) {
    put(value, bits);
    put_bit(std::popcount(static_cast<unsigned>(value)) % 2 == 0 ? 1 : 0);
  }
  Bytes take() { return std::move(bytes_); }

 private:
  void put_bit(int bit) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    if (bit) bytes_.back() |= static_cast<std::uint8_t>(1U << (count_ % 8));
    ++count_;
  }
  Bytes bytes_;
  std::size_t count_ = 0;
};

}  // namespace

std::optional<std::string> track_problem(int track, std::string_view chars) {
  const TrackFormat& f = kFormats[track - 1];
  if (chars.size() > f.max_chars) {
    return "track " + std::to_string(track) + " holds at most " + std::to_string(f.max_chars) +
           " characters, not " + std::to_string(chars.size());
  }
  for (char c : chars) {
    int code = code_of(f, c);
    if (code < 0 || code >= (1 << f.bits) || c == f.start_sentinel || c == kEndSentinel) {
      return "track " + std::to_string(track) + " cannot hold the character '" + std::string(1, c) +
             "'";
    }
  }
  return std::nullopt;
}

Bytes record_track(int track, std::string_view chars) {
  if (chars.empty()) return {};
  const TrackFormat& f = kFormats[track - 1];
  BitWriter out;
  int lrc = 0;
  auto put = [&](char c) {
    int code = code_of(f, c);
    lrc ^= code;
    out.put_with_parity(code, f.bits);
  };
  put(f.start_sentinel);
  for (char c : chars) put(c);
  put(kEndSentinel);
  out.put_with_parity(lrc, f.bits);
  return out.take();
}

MagneticData read_stripe(const Card& card) {
  MagneticData data;
  for (int t = 0; t < 3; ++t) {
    data.tracks[t] = card.tracks[t];
    data.raw[t] = record_track(t + 1, card.tracks[t]);
  }
  return data;
}

}  // namespace readersim
