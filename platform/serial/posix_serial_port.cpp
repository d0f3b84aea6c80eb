// POSIX backend of the serial line: an exclusively opened tty in raw mode.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "line_definition.h"
#include "serial_port.h"
#include "time/clock.h"

namespace tarn::platform {
namespace {

constexpr std::array<std::pair<unsigned, speed_t>, 12> kSpeeds{{{300, B300},
                                                                {600, B600},
                                                                {1200, B1200},
                                                                {2400, B2400},
                                                                {4800, B4800},
                                                                {9600, B9600},
                                                                {19200, B19200},
                                                                {38400, B38400},
                                                                {57600, B57600},
                                                                {115200, B115200},
                                                                {230400, B230400},
                                                                {460800, B460800}}};

bool apply_definition(int fd, const LineDefinition& line) {
  const auto speed = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                                  [&](const auto& entry) { return entry.first == line.baud; });
  termios tio{};
  if (speed == kSpeeds.end() || tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= kSizes[line.data_bits - 5];
  if (line.parity != 'n') tio.c_cflag |= PARENB | (line.parity == 'o' ? PARODD : 0);
  if (line.stop_bits == 2) tio.c_cflag |= CSTOPB;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return cfsetispeed(&tio, speed->second) == 0 && cfsetospeed(&tio, speed->second) == 0 &&
         tcsetattr(fd, TCSANOW, &tio) == 0;
}

void trace(const char* direction, const std::uint8_t* bytes, long n) {
  if (n <= 0) return;
  std::fprintf(stderr, "%s", direction);
  for (long i = 0; i < n; ++i) std::fprintf(stderr, " %02X", bytes[i]);
  std::fprintf(stderr, "\n");
}

// Bytes that arrived are taken from the driver into `pending_` as soon as they are there, so that
// a wait can sleep in poll() until the next one comes; the queue count is both together.
class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort(int fd) : fd_(fd), trace_(std::getenv("TARN_TRACE") != nullptr) {}
  ~PosixSerialPort() override { close(); }

  long queued() override { return take_arrived() ? static_cast<long>(pending_.size()) : -1; }

  bool wait_queued(std::size_t count, long limit_ms) override {
    const std::uint64_t start = tick_ms();
    for (;;) {
      if (pending_.size() < count && !take_arrived()) return false;
      if (pending_.size() >= count) return true;
      const long elapsed = static_cast<long>(tick_ms() - start);
      if (limit_ms >= 0 && elapsed > limit_ms) return false;
      const long left = limit_ms < 0 ? -1 : std::min<long>(limit_ms - elapsed + 1, INT_MAX);
      if (!block_until_readable(static_cast<int>(left))) return false;
    }
  }

  // Asks the driver only when the bytes already taken do not suffice.
  long read(std::uint8_t* buffer, std::size_t n) override {
    if (fd_ < 0 || (pending_.size() < n && !take_arrived())) return -1;
    const std::size_t got = std::min(n, pending_.size());
    std::copy_n(pending_.begin(), got, buffer);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(got));
    if (trace_) trace("<-", buffer, static_cast<long>(got));
    return static_cast<long>(got);
  }

  long write(const std::uint8_t* buffer, std::size_t n) override {
    if (fd_ < 0) return -1;
    long put = 0;
    while (static_cast<std::size_t>(put) < n) {
      const ssize_t r = ::write(fd_, buffer + put, n - static_cast<std::size_t>(put));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      put += r;
    }
    if (trace_) trace("->", buffer, put);
    return put > 0 || n == 0 ? put : -1;
  }

  bool purge() override {
    pending_.clear();
    return fd_ >= 0 && tcflush(fd_, TCIOFLUSH) == 0;
  }

  bool close() override {
    if (fd_ < 0) return false;
    const int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0;
  }

 private:
  // Moves what the driver holds into `pending_` (the line is raw with VMIN = VTIME = 0, so the
  // read returns at once); false when the line cannot be read.
  bool take_arrived() {
    if (fd_ < 0) return false;
    std::uint8_t chunk[512];
    for (;;) {
      const ssize_t r = ::read(fd_, chunk, sizeof chunk);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return errno == EAGAIN;
      pending_.insert(pending_.end(), chunk, chunk + r);
      if (static_cast<std::size_t>(r) < sizeof chunk) return true;
    }
  }

  // Sleeps in poll() until input arrives or the time passes; false on a hang-up or error.
  bool block_until_readable(int timeout_ms) {
    pollfd p{fd_, POLLIN, 0};
    const int r = poll(&p, 1, timeout_ms);
    if (r < 0) return errno == EINTR;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
  }

  int fd_;
  bool trace_;
  std::vector<std::uint8_t> pending_;
};

}  // namespace

std::unique_ptr<SerialPort> open_serial_port(std::string_view port_name,
                                             std::string_view definition) {
  const std::string path = device_path(port_name);
  const auto line = parse_line_definition(definition);
  if (path.empty()) return nullptr;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    ::close(fd);
    return nullptr;
  }
  if (!line || !apply_definition(fd, *line) || fcntl(fd, F_SETFL, 0) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixSerialPort>(fd);
}

}  // namespace tarn::platform
