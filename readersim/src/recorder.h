// What the reader saw and did on the line, for tests to check.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>
#include <vector>

#include "readersim/virtual_reader.h"

namespace readersim {

class Recorder {
 public:
  explicit Recorder(bool keep) : keep_(keep) {}

  void add_received(std::span<const std::uint8_t> bytes);
  void add_sent(std::span<const std::uint8_t> bytes);
  void add_request(const Request& request);
  void add_conversation(const Conversation& conversation);
  void add_protocol_error();

  Bytes received() const;
  Bytes sent() const;
  bool wait_received(std::size_t count, std::chrono::milliseconds timeout) const;
  std::vector<Request> requests() const;
  std::size_t request_count() const;
  std::vector<Conversation> conversations() const;
  unsigned protocol_errors() const;
  void clear();

 private:
  const bool keep_;  // false: counts only
  mutable std::mutex mutex_;
  mutable std::condition_variable grew_;
  Bytes received_;
  Bytes sent_;
  std::vector<Request> requests_;
  std::vector<Conversation> conversations_;
  std::size_t request_count_ = 0;
  unsigned protocol_errors_ = 0;
};

}  // namespace readersim
