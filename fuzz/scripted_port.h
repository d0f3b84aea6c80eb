// A serial port whose reader answers from a script (the fuzz input) instead of a device. It never
// waits: a wait succeeds when the bytes are already queued and fails at once otherwise, as if its
// time had run out. Every request frame the library writes must be well formed (else abort).
//
// The script is a run of answers; each request frame takes the next one, and so does each EOT:
//   flags    bits 0-1  answer to the frame: 0 ACK, 1 NAK, 2 silence, 3 a stray byte (00)
//            bit 2     raw: after ENQ the payload goes on the line exactly as it stands
//            bit 3     the framed reply is negative ("N") instead of positive ("P")
//            bit 4     every read after ENQ fails
//   length   2 bytes, big-endian (cut short where the script ends)
//   payload  the reply data, framed after ENQ with STX, length, status, the request's CM and PM
//            echoes, ETX and BCC; raw, the bytes as they stand. After EOT, always raw.
// Once the script is used up, the reader stays silent.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "byte_reader.h"
#include "serial/serial_port.h"

namespace fuzz {

inline constexpr std::uint8_t kAnswerAck = 0;
inline constexpr std::uint8_t kAnswerNak = 1;
inline constexpr std::uint8_t kAnswerSilence = 2;
inline constexpr std::uint8_t kAnswerStray = 3;
inline constexpr std::uint8_t kRaw = 0x04;
inline constexpr std::uint8_t kNegative = 0x08;
inline constexpr std::uint8_t kReadsFail = 0x10;

class ScriptedPort final : public tarn::platform::SerialPort {
 public:
  // `script` must outlive the port.
  explicit ScriptedPort(ByteReader& script) : script_(script) {}

  long queued() override { return static_cast<long>(line_.size()); }
  bool wait_queued(std::size_t count, long) override { return line_.size() >= count; }
  long read(std::uint8_t* buffer, std::size_t n) override;
  long write(const std::uint8_t* buffer, std::size_t n) override;
  bool purge() override;
  bool close() override { return true; }

 private:
  void answer_frame(std::span<const std::uint8_t> frame);
  void answer_eot();
  void queue(std::span<const std::uint8_t> bytes);

  ByteReader& script_;
  std::deque<std::uint8_t> line_;    // bytes waiting for the library
  std::vector<std::uint8_t> reply_;  // goes on the line at the next ENQ
  bool reads_fail_after_enq_ = false;
  bool reads_fail_ = false;
};

}  // namespace fuzz
