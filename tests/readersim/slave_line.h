// The library's end of the line, for tests that talk raw bytes to the virtual reader.
#pragma once

#include <chrono>
#include <string>

#include "readersim/frame.h"

namespace readersim_test {

using readersim::Bytes;
using namespace std::chrono_literals;

class SlaveLine {
 public:
  explicit SlaveLine(const std::string& path);  // opens raw; fails the test when it cannot
  ~SlaveLine();
  SlaveLine(const SlaveLine&) = delete;
  SlaveLine& operator=(const SlaveLine&) = delete;

  void write(const Bytes& bytes);
  // Up to `count` bytes, as many as come before the wait runs out.
  Bytes read(std::size_t count, std::chrono::milliseconds wait = 2000ms);
  // Everything that comes within `wait`.
  Bytes read_all(std::chrono::milliseconds wait = 200ms);
  // One reply frame: the header, then as many bytes as its length says (fewer if they stop).
  Bytes read_frame();
  // Request frame -> the reader's link byte; after ACK, ENQ -> the reply frame.
  struct Exchange {
    Bytes link;
    Bytes reply;
  };
  Exchange exchange(const Bytes& request);
  // One command: the status byte of its reply, then the reply data (the frame around them is
  // checked: ACK, echoes, ETX, BCC).
  Bytes ask(std::uint8_t cm, std::uint8_t pm, const Bytes& data = {});

  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace readersim_test
