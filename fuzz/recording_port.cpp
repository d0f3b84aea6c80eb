#include "recording_port.h"

#include <utility>

namespace fuzz {
namespace {

constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kEnq = 0x05;

}  // namespace

long RecordingPort::read(std::uint8_t* buffer, std::size_t n) {
  const long count = port_->read(buffer, n);
  if (count > 0 && !exchanges_.empty()) {
    Exchange& last = exchanges_.back();
    auto& into = last.enq_sent || last.frame.empty() ? last.reply : last.acknowledgement;
    into.insert(into.end(), buffer, buffer + count);
  }
  return count;
}

long RecordingPort::write(const std::uint8_t* buffer, std::size_t n) {
  if (n == 1 && buffer[0] == kEnq && !exchanges_.empty()) {
    exchanges_.back().enq_sent = true;
  } else if (n == 1 && buffer[0] == kEot) {
    exchanges_.push_back({});
  } else {
    exchanges_.push_back({{buffer, buffer + n}, {}, {}, false});
  }
  return port_->write(buffer, n);
}

std::vector<RecordingPort::Exchange> RecordingPort::take_exchanges() {
  return std::exchange(exchanges_, {});
}

}  // namespace fuzz
