// Per-command cost of the library against a raw baseline on the same pseudo-terminal and the same
// virtual reader, and the CPU the library burns while it waits for a reply. Prints ratios only
// against figures measured in this run.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Tarn_DLL.h"
#include "readersim/virtual_reader.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 7;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Reads exactly n bytes, sleeping in poll() while none are there.
bool read_exactly(int fd, unsigned char* out, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 7000) <= 0) return false;
    const ssize_t r = read(fd, out + got, n - got);
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

// The same conversation as the position query, written directly on the line.
struct RawPort {
  int fd;
  explicit RawPort(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
  }
  ~RawPort() { close(fd); }
  bool position() const {
    static const unsigned char frame[] = {0x02, 0x00, 0x02, 0x31, 0x30, 0x03, 0x02};
    static const unsigned char enq = 0x05;
    unsigned char reply[16];
    tcflush(fd, TCIOFLUSH);
    if (write(fd, frame, sizeof frame) != sizeof frame || !read_exactly(fd, reply, 1)) return false;
    tcflush(fd, TCIOFLUSH);
    if (write(fd, &enq, 1) != 1 || !read_exactly(fd, reply, 3)) return false;
    return read_exactly(fd, reply + 3, static_cast<std::size_t>(reply[2]) + 2);
  }
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Seconds per command of the raw conversation and of the library, in alternating rounds so that
// both see the same machine load.
void roundtrip(unsigned pace_baud, int commands) {
  readersim::VirtualReader reader({"", pace_baud});
  const std::string path = reader.slave_path();
  std::vector<double> raw, library;
  for (int round = 0; round < kRounds; ++round) {
    {
      RawPort port(path);
      const auto start = Clock::now();
      for (int i = 0; i < commands; ++i)
        if (!port.position()) std::abort();
      raw.push_back(seconds_since(start) / commands);
    }
    void* port = Tarn_CommOpenWithBaud(path.c_str(), pace_baud ? pace_baud : 9600);
    unsigned char position = 0;
    const auto start = Clock::now();
    for (int i = 0; i < commands; ++i)
      if (Tarn_CheckCardPosition(port, &position) != TARN_OK) std::abort();
    library.push_back(seconds_since(start) / commands);
    Tarn_CommClose(port);
  }
  const double r = median(raw), l = median(library);
  const std::string line = pace_baud ? std::to_string(pace_baud) + " baud" : "unpaced";
  std::printf("| position query, %-14s | %9.1f us | %9.1f us | %5.3f |\n", line.c_str(), r * 1e6,
              l * 1e6, l / r);
}

void reply_wait_cpu() {
  readersim::VirtualReader reader;
  void* port = Tarn_CommOpen(reader.slave_path().c_str());
  reader.inject(readersim::Fault::AckThenSilence);
  unsigned char position = 0;
  const double cpu_start = cpu_seconds();
  const auto start = Clock::now();
  const int result = Tarn_CheckCardPosition(port, &position);
  const double wall = seconds_since(start);
  const double cpu = cpu_seconds() - cpu_start;
  Tarn_CommClose(port);
  std::printf("\n| wait | result | wall | CPU | CPU / wall |\n|---|---|---|---|---|\n");
  std::printf("| reply header (ACK, then silence) | %d | %.2f s | %.4f s | %.3f %% |\n", result,
              wall, cpu, 100.0 * cpu / wall);
}

}  // namespace

int main() {
  const char* drive = std::getenv("TARN_DRIVE_D");
  if (!drive) setenv("TARN_DRIVE_D", "/nonexistent-drive-d", 1);
  std::printf("| command | raw baseline | library | ratio |\n|---|---|---|---|\n");
  roundtrip(0, 400);
  roundtrip(115200, 100);
  roundtrip(9600, 20);
  reply_wait_cpu();
  return 0;
}
