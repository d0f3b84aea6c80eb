// A serial port that passes everything through to another one and keeps, for each request frame
// and each EOT the library writes, what the reader answered: the bytes read before ENQ (the
// acknowledgement) and after it (the reply).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "serial/serial_port.h"

namespace fuzz {

class RecordingPort final : public tarn::platform::SerialPort {
 public:
  struct Exchange {
    std::vector<std::uint8_t> frame;            // the request frame; empty after an EOT
    std::vector<std::uint8_t> acknowledgement;  // read before ENQ
    std::vector<std::uint8_t> reply;            // read after ENQ (after the EOT)
    bool enq_sent = false;
  };

  explicit RecordingPort(std::unique_ptr<tarn::platform::SerialPort> port)
      : port_(std::move(port)) {}

  long queued() override { return port_->queued(); }
  bool wait_queued(std::size_t count, long limit_ms) override {
    return port_->wait_queued(count, limit_ms);
  }
  long read(std::uint8_t* buffer, std::size_t n) override;
  long write(const std::uint8_t* buffer, std::size_t n) override;
  bool purge() override { return port_->purge(); }
  bool close() override { return port_->close(); }

  // The exchanges since the last call.
  std::vector<Exchange> take_exchanges();

 private:
  std::unique_ptr<tarn::platform::SerialPort> port_;
  std::vector<Exchange> exchanges_;
};

}  // namespace fuzz
