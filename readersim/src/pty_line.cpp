#include "pty_line.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace readersim {
namespace {

[[noreturn]] void throw_errno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void set_fd_flags(int fd, int flags) {
  if (::fcntl(fd, F_SETFD, FD_CLOEXEC) < 0) throw_errno("fcntl");
  if (flags && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | flags) < 0) throw_errno("fcntl");
}

}  // namespace

PtyLine::PtyLine(std::string link) : link_(std::move(link)) {
  if (!link_.empty() && std::filesystem::exists(std::filesystem::symlink_status(link_)) &&
      !std::filesystem::is_symlink(std::filesystem::symlink_status(link_))) {
    throw std::system_error(std::make_error_code(std::errc::file_exists),
                            link_ + " exists and is not a symlink");
  }
  open();
}

PtyLine::~PtyLine() {
  std::string ours = slave_path();
  close();
  std::error_code ec;
  if (!link_.empty() && std::filesystem::read_symlink(link_, ec) == ours) {
    std::filesystem::remove(link_, ec);
  }
}

// The new pair is made, and the symlink pointed at it, before the old one is let go: until then
// the old slave's number cannot be handed to another process's pseudo-terminal, so nothing that
// opens the old path or the symlink meanwhile can reach a stranger's line.
void PtyLine::open() {
  termios raw{};
  ::cfmakeraw(&raw);
  ::cfsetspeed(&raw, B9600);
  std::array<char, 128> name{};
  int master = -1;
  int slave = -1;
  if (::openpty(&master, &slave, nullptr, &raw, nullptr) < 0) throw_errno("openpty");
  try {
    if (const int error = ::ptsname_r(master, name.data(), name.size()); error != 0) {
      errno = error;
      throw_errno("ptsname_r");
    }
    set_fd_flags(master, O_NONBLOCK);
    set_fd_flags(slave, 0);
    if (!link_.empty()) point_link(name.data());
  } catch (...) {
    ::close(master);
    ::close(slave);
    throw;
  }
  close();
  master_ = master;
  own_slave_ = slave;
  std::lock_guard lock(path_mutex_);
  slave_path_ = name.data();
}

void PtyLine::hang_up() {
  if (master_ >= 0) ::close(std::exchange(master_, -1));
}

void PtyLine::close() {
  hang_up();
  if (own_slave_ >= 0) ::close(std::exchange(own_slave_, -1));
}

std::string PtyLine::slave_path() const {
  std::lock_guard lock(path_mutex_);
  return slave_path_;
}

// Replaces the symlink in one step (a new link renamed over the old one).
void PtyLine::point_link(const std::string& target) const {
  std::string temporary = link_ + ".new" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) < 0) throw_errno("symlink " + temporary);
  if (::rename(temporary.c_str(), link_.c_str()) < 0) {
    int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    throw_errno("rename to " + link_);
  }
}

std::size_t PtyLine::read_some(std::span<std::uint8_t> into) {
  ssize_t n = ::read(master_, into.data(), into.size());
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t PtyLine::write_some(std::span<const std::uint8_t> bytes) {
  ssize_t n = ::write(master_, bytes.data(), bytes.size());
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t PtyLine::unread() const {
  int count = 0;
  if (own_slave_ < 0 || ::ioctl(own_slave_, FIONREAD, &count) < 0) return 0;
  return static_cast<std::size_t>(count);
}

}  // namespace readersim
