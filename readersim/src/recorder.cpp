#include "recorder.h"

namespace readersim {

void Recorder::add_received(std::span<const std::uint8_t> bytes) {
  {
    std::lock_guard lock(mutex_);
    if (keep_) received_.insert(received_.end(), bytes.begin(), bytes.end());
  }
  grew_.notify_all();
}

void Recorder::add_sent(std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  if (keep_) sent_.insert(sent_.end(), bytes.begin(), bytes.end());
}

void Recorder::add_request(const Request& request) {
  std::lock_guard lock(mutex_);
  ++request_count_;
  if (keep_) requests_.push_back(request);
}

void Recorder::add_conversation(const Conversation& conversation) {
  std::lock_guard lock(mutex_);
  if (keep_) conversations_.push_back(conversation);
}

void Recorder::add_protocol_error() {
  std::lock_guard lock(mutex_);
  ++protocol_errors_;
}

Bytes Recorder::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

Bytes Recorder::sent() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

bool Recorder::wait_received(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return grew_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

std::vector<Request> Recorder::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<Conversation> Recorder::conversations() const {
  std::lock_guard lock(mutex_);
  return conversations_;
}

std::size_t Recorder::request_count() const {
  std::lock_guard lock(mutex_);
  return request_count_;
}

unsigned Recorder::protocol_errors() const {
  std::lock_guard lock(mutex_);
  return protocol_errors_;
}

void Recorder::clear() {
  std::lock_guard lock(mutex_);
  received_.clear();
  sent_.clear();
  requests_.clear();
  conversations_.clear();
  request_count_ = 0;
  protocol_errors_ = 0;
}

}  // namespace readersim
