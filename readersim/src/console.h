// The command console of tarn-readersim: one command per line, answers on `out`, complaints on
// `err`.
#pragma once

#include <istream>
#include <ostream>
#include <string_view>

#include "readersim/virtual_reader.h"

namespace readersim {

class Console {
 public:
  Console(VirtualReader& reader, std::ostream& out, std::ostream& err)
      : reader_(reader), out_(out), err_(err) {}

  // Carries out one line; false once "quit" was given.
  bool execute(std::string_view line);
  // Reads lines until "quit" or the end of the input.
  void run(std::istream& in);

  static constexpr std::string_view kHelp =
      "insert <card.json>          a card into the slot (taken in when an entry waits)\n"
      "remove                      take the card from the gate\n"
      "sam <0-7> <card.json>       a SAM module (a card file with a \"sam\" chip) into a socket\n"
      "fault <kind> [count] [ms]   next count requests (0: until cleared) get the fault;\n"
      "                            ms is the delay of \"slow\"\n"
      "fault clear                 drop every fault\n"
      "status                      the reader's state\n"
      "help                        this text\n"
      "quit                        stop the reader\n";

 private:
  void insert(std::string_view file);
  void remove();
  void sam(std::string_view args);
  void fault(std::string_view args);
  void status();

  VirtualReader& reader_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace readersim
