// The simulated printer and scanner: what is open, where the page is, whether the light is on.
// Printed text goes to the folder's spool, readings come from its scan queue. Not locked: the
// library's exports serialise the calls.
#pragma once

#include <optional>
#include <string>

#include "sim_folder.h"

namespace rkprinter {

class Devices {
 public:
  // Opening closes what was open first, also when the new open fails.
  int open_printer(const char16_t* name, const Settings& settings);
  int close_printer();
  int set_page_length(double length);
  int print(const char* text, int mode);
  int move_page(bool in);

  int open_scanner(int port, const Settings& settings);
  int set_light_duration(int seconds);
  int switch_light(bool on);
  int clear_cache() const;
  int close_scanner();
  // The next queued reading while the scanner is open and lit.
  std::optional<std::string> scan();

  // One "name: value" line per part of the state, for the folder's state.txt.
  std::string describe() const;

 private:
  std::optional<std::string> printer_;  // the open printer's name
  bool page_in_ = false;
  double page_length_ = 0;
  bool scanner_open_ = false;
  int scanner_port_ = 0;
  bool light_on_ = false;
  int light_seconds_ = 0;
};

}  // namespace rkprinter
