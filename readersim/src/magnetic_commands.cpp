// Magnetic stripe: decoded read and clear ("7"), raw read ("8").
#include <vector>

#include "command_table.h"

namespace readersim {
namespace {

constexpr std::uint8_t kEmptyTrack = 0x60;

// Track indexes (0-based) that each read PM selects.
const std::vector<std::pair<std::uint8_t, std::vector<int>>> kSelections = {
    {'0', {0, 1, 2}}, {'1', {0, 1}}, {'2', {1, 2}}, {'3', {0}}, {'4', {1}}, {'5', {2}},
};

// Each track's characters, then 0x00; an empty or unreadable track is 0x60 0x00.
void append_decoded(Bytes& out, const MagneticData& data, int track) {
  const std::string& chars = data.tracks[track];
  if (chars.empty()) {
    out.push_back(kEmptyTrack);
  } else {
    out.insert(out.end(), chars.begin(), chars.end());
  }
  out.push_back(0x00);
}

// Track number "1" to "3", recorded length (2 bytes, high first), the recorded bytes.
void append_raw(Bytes& out, const MagneticData& data, int track) {
  const Bytes& raw = data.raw[track];
  out.push_back(static_cast<std::uint8_t>('1' + track));
  out.push_back(static_cast<std::uint8_t>(raw.size() >> 8));
  out.push_back(static_cast<std::uint8_t>(raw.size() & 0xFF));
  out.insert(out.end(), raw.begin(), raw.end());
}

using Append = void (*)(Bytes&, const MagneticData&, int);

Handler read_tracks(const std::vector<int>& tracks, Append append) {
  return [tracks, append](const Request&, ReaderState& state) {
    if (!state.magnetic) return Reply::fail(error::kNoMagneticData);
    Bytes out;
    for (int t : tracks) append(out, *state.magnetic, t);
    return Reply::ok(std::move(out));
  };
}

Handler reads(Append append, bool with_clear) {
  std::map<std::uint8_t, Handler> table;
  for (const auto& [pm, tracks] : kSelections) table[pm] = read_tracks(tracks, append);
  if (with_clear) {
    table['9'] = [](const Request&, ReaderState& state) {
      state.magnetic.reset();
      return Reply::ok();
    };
  }
  return by_pm(std::move(table));
}

}  // namespace

void add_magnetic_commands(CommandTable& table) {
  table.add('7', reads(append_decoded, true));
  table.add('8', reads(append_raw, false));
}

}  // namespace readersim
