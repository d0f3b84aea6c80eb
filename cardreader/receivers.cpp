#include "receivers.h"

#include <algorithm>

#include "Tarn_DLL.h"
#include "frame.h"
#include "time/clock.h"

namespace tarn {
namespace {

constexpr long kAckWait = 800;
constexpr long kReplyWait = 7000;
constexpr long kShortHeaderWait = 1500;
constexpr long kByteWait = 800;
constexpr std::size_t kHeader = 3;
constexpr std::size_t kMinText = 3;  // status byte and both echoes

void send_byte(platform::SerialPort& port, std::uint8_t byte) {
  port.purge();
  port.write(&byte, 1);
}

// Reads one byte once it is queued within `limit_ms`; -1 when none came or the read failed.
int next_byte(platform::SerialPort& port, long limit_ms) {
  std::uint8_t byte = 0;
  if (!port.wait_queued(1, limit_ms) || port.read(&byte, 1) != 1) return -1;
  return byte;
}

// Discards up to `count` bytes of a reply that will not be kept, so that they cannot be taken
// for the answer to the next command.
void drain(platform::SerialPort& port, std::size_t count) {
  std::uint8_t sink[256];
  while (count > 0 && port.wait_queued(1, kByteWait)) {
    const long got = port.read(sink, std::min(count, sizeof sink));
    if (got <= 0) return;
    count -= static_cast<std::size_t>(got);
  }
}

// Waits up to `limit_ms` for the reader's first answer to a request frame. A reply that came
// after its own command had given up can stand in front of it: such a frame is dropped and the
// wait goes on, so one slow reply does not also spoil the next command.
int first_answer(platform::SerialPort& port, long limit_ms) {
  const std::uint64_t start = platform::tick_ms();
  for (;;) {
    const long left = limit_ms - static_cast<long>(platform::tick_ms() - start);
    const int byte = next_byte(port, std::max(left, 0L));
    if (byte != kStx) return byte;
    std::uint8_t length[2];
    if (!port.wait_queued(2, kByteWait) || port.read(length, 2) != 2) return -1;
    drain(port, (static_cast<std::size_t>(length[0]) << 8 | length[1]) + 2);
  }
}

// Reads the 3-byte header; false when it cannot be read or does not start with STX.
bool read_header(platform::SerialPort& port, Reply& reply, int& result) {
  if (port.read(reply.buffer().data(), kHeader) != static_cast<long>(kHeader)) {
    result = TARN_E_HEADER;
    return false;
  }
  result = reply.at(0) == kStx ? TARN_OK : TARN_E_NOACK;
  return result == TARN_OK;
}

// True when the frame announced by the header fits the buffer and can hold status and echoes.
bool announced_frame_fits(platform::SerialPort& port, const Reply& reply) {
  const std::size_t text = reply.text_length();
  if (text >= kMinText && text + 5 <= reply.capacity()) return true;
  drain(port, text + 2);
  return false;
}

bool bcc_matches(const Reply& reply) {
  const std::size_t end = reply.text_length() + 4;
  return bcc(reply.bytes().first(end)) == reply.at(end);
}

}  // namespace

int receive_reply(platform::SerialPort& port, Reply& reply, HeaderWait wait) {
  const int first = first_answer(port, kAckWait);
  if (first == kNak) return TARN_E_NAK;
  if (first != kAck) return TARN_E_NOACK;
  send_byte(port, kEnq);
  const bool short_wait = wait == HeaderWait::Short;
  if (!port.wait_queued(kHeader + 1, short_wait ? kShortHeaderWait : kReplyWait))
    return short_wait ? TARN_E_SHORTWAIT : TARN_E_REPLY;
  int result = TARN_OK;
  if (!read_header(port, reply, result)) return result;
  if (!announced_frame_fits(port, reply)) return TARN_E_REPLY;
  const std::size_t rest = reply.text_length() + 2;
  if (!port.wait_queued(rest, kReplyWait)) return TARN_E_REPLY;
  port.read(reply.buffer().data() + kHeader, rest);
  return bcc_matches(reply) ? TARN_OK : TARN_E_REPLY;
}

bool receive_card_entry(platform::SerialPort& port, Reply& reply, unsigned wait_ms) {
  if (first_answer(port, kReplyWait) != kAck) return false;
  send_byte(port, kEnq);
  if (!port.wait_queued(kHeader + 1, wait_ms == 0 ? -1 : static_cast<long>(wait_ms))) {
    send_byte(port, kEot);
    next_byte(port,
              kReplyWait);  // the reader confirms the cancel with EOT; the entry failed anyway
    return false;
  }
  int result = TARN_OK;
  if (!read_header(port, reply, result) || !announced_frame_fits(port, reply)) return false;
  const std::size_t rest = reply.text_length() + 2;
  for (std::size_t i = 0; i < rest; ++i) {
    const int byte = next_byte(port, kByteWait);
    if (byte < 0) return false;
    reply.buffer()[kHeader + i] = static_cast<std::uint8_t>(byte);
  }
  return true;
}

}  // namespace tarn
