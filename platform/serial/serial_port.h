// A serial line as the card-reader library sees it: queued-input count, bounded waits, reads,
// writes and purges. The POSIX backend drives a tty; tests and fuzzers may supply their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarn::platform {

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Number of bytes waiting in the input queue, or -1 when it cannot be read.
  virtual long queued() = 0;
  // Blocks until at least `count` bytes are queued; `limit_ms` < 0 waits without limit.
  // Returns false when the limit passed first or the line failed (hang-up, error).
  virtual bool wait_queued(std::size_t count, long limit_ms) = 0;
  // Reads up to `n` bytes that are already queued; returns the count read or -1.
  virtual long read(std::uint8_t* buffer, std::size_t n) = 0;
  // Writes `n` bytes; returns the count written or -1.
  virtual long write(const std::uint8_t* buffer, std::size_t n) = 0;
  // Discards what is queued in both directions: output not yet sent and input not yet read.
  virtual bool purge() = 0;
  // Releases the device; false when the system refuses.
  virtual bool close() = 0;
};

// Opens `port_name` exclusively and applies the definition string ("9600,n,8,1"); null when the
// device is missing, held by another handle, or cannot be configured (it is then closed again).
// A name starting with '/' is a device path; "COMn" is /dev/ttyS(n-1); others are /dev/<name>.
std::unique_ptr<SerialPort> open_serial_port(std::string_view port_name,
                                             std::string_view definition);

// The device path for a port name, or an empty string for an empty name.
std::string device_path(std::string_view port_name);

}  // namespace tarn::platform
