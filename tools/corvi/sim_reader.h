// The built-in virtual card reader of `corvi --sim`, with a customer who inserts the card when
// the reader waits for one (or whose card is already inside).
#pragma once

#include <string>
#include <thread>

#include "readersim/virtual_reader.h"

namespace corvi_tool {

class SimReader {
 public:
  // `inside`: the card starts at the magnetic head instead of in the customer's hand.
  SimReader(readersim::Card card, bool inside);
  SimReader(const SimReader&) = delete;
  SimReader& operator=(const SimReader&) = delete;

  // The port name to give the card methods.
  std::string port() const { return reader_.slave_path(); }
  // The customer takes the card from the gate; false when it is not there.
  bool take_card() { return reader_.remove_card(); }

 private:
  void customer(std::stop_token stop);

  readersim::VirtualReader reader_;
  readersim::Card card_;
  std::jthread customer_;  // last: stopped and joined before the reader goes
};

}  // namespace corvi_tool
