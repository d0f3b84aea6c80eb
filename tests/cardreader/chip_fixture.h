// Wire tests with CPU cards: card files from the virtual reader's folder, APDU replies and the
// frames that carry APDUs.
#pragma once

#include <string>

#include "hex_bytes.h"
#include "readersim/reader_state.h"
#include "wire_fixture.h"

namespace tarn_test {

using readersim::Position;

using test_support::cat;
using test_support::hex;

inline readersim::Card card_file(const char* name) {
  return readersim::load_card(readersim::cards_dir() / name);
}

// Reply data of a contact or socket APDU: the response length (2 bytes) and the response.
inline Bytes apdu_reply(const Bytes& response) {
  return cat(
      {static_cast<std::uint8_t>(response.size() >> 8), static_cast<std::uint8_t>(response.size())},
      response);
}

// The frame of a T=0 exchange ("9" "3") and of a contactless one ("G" "3", option byte 0).
inline Bytes t0_frame(const Bytes& apdu) {
  return readersim::encode_request('9', '3', apdu_reply(apdu));
}
inline Bytes contactless_frame(const Bytes& apdu) {
  return readersim::encode_request('G', '3', cat({0}, apdu_reply(apdu)));
}

class ChipWireTest : public WireTest {
 protected:
  void place(const char* file, Position where = Position::IcContacts) {
    reader_.place_card(card_file(file), where);
  }
  // Sets the next T=0 or T=1 exchange's response.
  void next_response(const Bytes& response) { reader_.set_next_reply('9', apdu_reply(response)); }
  // The (CM, PM) of each request the reader took, in order.
  std::vector<std::pair<std::uint8_t, std::uint8_t>> commands() const {
    std::vector<std::pair<std::uint8_t, std::uint8_t>> result;
    for (const auto& r : reader_.requests()) result.emplace_back(r.cm, r.pm);
    return result;
  }
};

}  // namespace tarn_test
