#include "slave_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace readersim_test {

using Clock = std::chrono::steady_clock;

SlaveLine::SlaveLine(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  EXPECT_GE(fd_, 0) << path;
  termios t{};
  if (fd_ >= 0 && ::tcgetattr(fd_, &t) == 0) {
    ::cfmakeraw(&t);
    ::tcsetattr(fd_, TCSANOW, &t);
  }
}

SlaveLine::~SlaveLine() {
  if (fd_ >= 0) ::close(fd_);
}

void SlaveLine::write(const Bytes& bytes) {
  ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

Bytes SlaveLine::read(std::size_t count, std::chrono::milliseconds wait) {
  Bytes got;
  const Clock::time_point deadline = Clock::now() + wait;
  while (got.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    std::uint8_t chunk[512];
    ssize_t n = ::read(fd_, chunk, std::min(sizeof chunk, count - got.size()));
    if (n <= 0) break;
    got.insert(got.end(), chunk, chunk + n);
  }
  return got;
}

Bytes SlaveLine::read_all(std::chrono::milliseconds wait) {
  return read(SIZE_MAX, wait);
}

Bytes SlaveLine::read_frame() {
  Bytes frame = read(3);
  if (frame.size() < 3) return frame;
  Bytes rest = read((frame[1] << 8 | frame[2]) + 2);
  frame.insert(frame.end(), rest.begin(), rest.end());
  return frame;
}

SlaveLine::Exchange SlaveLine::exchange(const Bytes& request) {
  Exchange result;
  write(request);
  result.link = read(1);
  if (result.link != Bytes{readersim::kAck}) return result;
  write({readersim::kEnq});
  result.reply = read_frame();
  return result;
}

Bytes SlaveLine::ask(std::uint8_t cm, std::uint8_t pm, const Bytes& data) {
  Exchange ex = exchange(readersim::encode_request(cm, pm, data));
  const Bytes& r = ex.reply;
  bool whole = r.size() >= 8 && r.size() == static_cast<std::size_t>((r[1] << 8 | r[2]) + 5);
  if (ex.link != Bytes{readersim::kAck} || !whole || r[4] != cm || r[5] != pm ||
      r[r.size() - 2] != readersim::kEtx || readersim::bcc(r) != 0) {
    ADD_FAILURE() << "no proper reply to CM " << int{cm} << " PM " << int{pm};
    return {};
  }
  Bytes text{r[3]};
  text.insert(text.end(), r.begin() + 6, r.end() - 2);
  return text;
}

}  // namespace readersim_test
