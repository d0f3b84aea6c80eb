// A recording double of the card-reader library for the control's card methods. Installed, it
// records every call with its arguments ("EnterCard(0x31, 30000)") and either answers as scripted
// or passes the call on to the real library, optionally with a shorter card-entry wait so that a
// test can run the entry time-out on the virtual reader without waiting 30 seconds.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "card_library.h"

namespace corvi_test {

struct CardScript {
  bool port_opens = true;
  int position_result = TARN_OK;
  unsigned char position = '5';  // written only when position_result is TARN_OK
  int enter_result = TARN_OK;
  int move_result = TARN_OK;
  int read_count = 0;                      // the count the read reports
  std::vector<unsigned char> stripe = {};  // the bytes the read writes
};

class CardLibraryDouble {
 public:
  CardLibraryDouble();  // installs the double in place of the library
  ~CardLibraryDouble();
  CardLibraryDouble(const CardLibraryDouble&) = delete;
  CardLibraryDouble& operator=(const CardLibraryDouble&) = delete;

  // Answers as scripted (the default).
  void script(CardScript script);
  // Calls the real library; a card entry waits `entry_wait_ms` instead of what it was asked.
  void pass_through(std::optional<unsigned> entry_wait_ms = std::nullopt);

  std::vector<std::string> calls() const;
};

}  // namespace corvi_test
