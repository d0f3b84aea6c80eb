#include "fault_plan.h"

#include <utility>

namespace readersim {
namespace {

constexpr std::size_t kCmEchoAt = 4;

void restore_bcc(Bytes& frame) {
  frame.back() = bcc(std::span(frame).first(frame.size() - 1));
}

}  // namespace

void FaultPlan::inject(Fault fault, int count, std::chrono::milliseconds delay) {
  std::lock_guard lock(mutex_);
  active_[fault] = Active{count < 0 ? kUntilCleared : count, delay};
}

void FaultPlan::clear() {
  std::lock_guard lock(mutex_);
  active_.clear();
  raw_.reset();
  replies_.clear();
}

void FaultPlan::set_raw(Bytes bytes) {
  std::lock_guard lock(mutex_);
  raw_ = std::move(bytes);
}

void FaultPlan::set_reply(std::uint8_t cm, Reply reply) {
  std::lock_guard lock(mutex_);
  replies_[cm] = std::move(reply);
}

FaultSet FaultPlan::take(std::uint8_t cm) {
  std::lock_guard lock(mutex_);
  FaultSet set;
  for (auto it = active_.begin(); it != active_.end();) {
    set.faults.insert(it->first);
    if (it->first == Fault::SlowReply) set.delay = it->second.delay;
    bool last = it->second.remaining != kUntilCleared && --it->second.remaining == 0;
    it = last ? active_.erase(it) : std::next(it);
  }
  set.raw = std::exchange(raw_, std::nullopt);
  if (auto it = replies_.find(cm); it != replies_.end()) {
    set.reply = std::move(it->second);
    replies_.erase(it);
  }
  return set;
}

Bytes shape_reply(Bytes frame, const FaultSet& set) {
  const std::size_t etx_at = frame.size() - 2;
  if (set.has(Fault::WrongCmEcho)) {
    frame[kCmEchoAt] ^= 0x01;
    restore_bcc(frame);
  }
  if (set.has(Fault::MissingEtx)) {
    frame[etx_at] = kNotEtx;
    restore_bcc(frame);
  }
  if (set.has(Fault::OversizedLength)) {
    frame[1] = kOversizedLength >> 8;
    frame[2] = kOversizedLength & 0xFF;
    restore_bcc(frame);
  }
  if (set.has(Fault::WrongBcc)) frame.back() ^= 0xFF;
  if (set.has(Fault::Truncated)) frame.resize(etx_at);
  return frame;
}

}  // namespace readersim
