#include "scripted_port.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fuzz {
namespace {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kEnq = 0x05;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::size_t kMaxText = 0xFFFF;

std::uint8_t bcc(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (const std::uint8_t b : bytes) sum ^= b;
  return sum;
}

// STX, length, CM, PM, data, ETX, BCC: the length field counts CM to the end of the data.
bool well_formed(std::span<const std::uint8_t> frame) {
  const std::size_t n = frame.size();
  if (n < 7 || frame[0] != kStx || frame[n - 2] != kEtx) return false;
  const std::size_t length = static_cast<std::size_t>(frame[1]) << 8 | frame[2];
  return length + 5 == n && bcc(frame.first(n - 1)) == frame[n - 1];
}

std::vector<std::uint8_t> framed_reply(std::uint8_t status, std::uint8_t cm, std::uint8_t pm,
                                       std::span<const std::uint8_t> data) {
  data = data.first(std::min(data.size(), kMaxText - 3));
  const std::size_t text = data.size() + 3;
  std::vector<std::uint8_t> reply{
      kStx, static_cast<std::uint8_t>(text >> 8), static_cast<std::uint8_t>(text), status, cm, pm};
  reply.insert(reply.end(), data.begin(), data.end());
  reply.push_back(kEtx);
  reply.push_back(bcc(reply));
  return reply;
}

}  // namespace

long ScriptedPort::read(std::uint8_t* buffer, std::size_t n) {
  if (reads_fail_) return -1;
  const std::size_t count = std::min(n, line_.size());
  std::copy_n(line_.begin(), count, buffer);
  line_.erase(line_.begin(), line_.begin() + static_cast<long>(count));
  return static_cast<long>(count);
}

long ScriptedPort::write(const std::uint8_t* buffer, std::size_t n) {
  const std::span<const std::uint8_t> bytes(buffer, n);
  if (n == 1 && bytes[0] == kEnq) {
    queue(reply_);
    reply_.clear();
    reads_fail_ = reads_fail_after_enq_;
  } else if (n == 1 && bytes[0] == kEot) {
    answer_eot();
  } else if (well_formed(bytes)) {
    answer_frame(bytes);
  } else {
    std::fprintf(stderr, "the library wrote a malformed request frame of %zu bytes\n", n);
    std::abort();
  }
  return static_cast<long>(n);
}

bool ScriptedPort::purge() {
  line_.clear();
  return true;
}

void ScriptedPort::answer_frame(std::span<const std::uint8_t> frame) {
  reads_fail_ = reads_fail_after_enq_ = false;
  reply_.clear();
  if (script_.empty()) return;
  const std::uint8_t flags = script_.byte();
  const auto payload = script_.take(script_.number(2));
  switch (flags & 0x03) {
    case kAnswerAck:
      line_.push_back(kAck);
      break;
    case kAnswerNak:
      line_.push_back(kNak);
      return;
    case kAnswerSilence:
      return;
    case kAnswerStray:
      line_.push_back(0x00);
      return;
  }
  reads_fail_after_enq_ = (flags & kReadsFail) != 0;
  if (flags & kRaw) {
    reply_.assign(payload.begin(), payload.end());
  } else {
    reply_ = framed_reply(flags & kNegative ? 'N' : 'P', frame[3], frame[4], payload);
  }
}

void ScriptedPort::answer_eot() {
  reads_fail_ = false;
  if (script_.empty()) return;
  script_.byte();
  queue(script_.take(script_.number(2)));
}

void ScriptedPort::queue(std::span<const std::uint8_t> bytes) {
  line_.insert(line_.end(), bytes.begin(), bytes.end());
}

}  // namespace fuzz
