// Commands of the reader, looked up by CM. Each family registers its handlers here; the frame
// and link code never needs to know them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "readersim/frame.h"
#include "readersim/reader_state.h"

namespace readersim {

struct Reply {
  enum class Kind { Positive, Negative, Hold };
  Kind kind = Kind::Positive;
  Bytes data;              // reply data of a positive reply; after the error byte of a negative
  std::uint8_t error = 0;  // error byte of a negative reply

  static Reply ok(Bytes data = {}) { return {Kind::Positive, std::move(data), 0}; }
  static Reply fail(std::uint8_t error, Bytes detail = {}) {
    return {Kind::Negative, std::move(detail), error};
  }
  // No reply yet: the request is carried out again whenever the reader's state changes.
  // A handler may return it only without having changed the state.
  static Reply hold() { return {Kind::Hold, {}, 0}; }
};

using Handler = std::function<Reply(const Request&, ReaderState&)>;

// A handler that picks by PM; any other PM gets error::kBadParameter.
Handler by_pm(std::map<std::uint8_t, Handler> handlers);

class CommandTable {
 public:
  // Requests carrying data get error::kBadData unless `takes_data`.
  void add(std::uint8_t cm, Handler handler, bool takes_data = false);
  // A frame that the reader takes without any answer (not even ACK).
  void add_silent(std::uint8_t cm, std::uint8_t pm);

  bool silent(const Request& request) const;
  // Unknown CM: error::kUnknownCommand.
  Reply execute(const Request& request, ReaderState& state) const;

 private:
  struct Entry {
    Handler handler;
    bool takes_data;
  };
  std::map<std::uint8_t, Entry> entries_;
  std::set<std::pair<std::uint8_t, std::uint8_t>> silent_;
};

// The reader's own commands: card transport, status, LEDs, magnetic stripe, identity, counters.
CommandTable reader_commands();

// Families, one source each.
void add_transport_commands(CommandTable& table);    // "0" "1" "2" "3" "4" "E"
void add_magnetic_commands(CommandTable& table);     // "7" "8"
void add_device_commands(CommandTable& table);       // "5" "6" "F" "I" "Q" 0x90 0x92
void add_cpu_card_commands(CommandTable& table);     // "9" ":" "G"
void add_memory_card_commands(CommandTable& table);  // ">" "?" "@" "A" "B" "C" "D"
void add_mifare_commands(CommandTable& table);       // ";" "<" "="
void add_iso15693_commands(CommandTable& table);     // "H"

// Ends the chip sessions that a card move or a cut of the contact power has broken.
void settle_chips(ReaderState& state);

}  // namespace readersim
