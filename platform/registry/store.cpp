#include "registry/store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "registry/reg_text.h"

namespace registry {
namespace {

constexpr std::size_t kMaxFileSize = 64u << 20;  // far beyond any real registry; refuses garbage

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

Status failure(const std::string& what, const std::string& path, int err = errno) {
  return {what + " " + path + ": " + std::strerror(err)};
}

std::string parent_of(const std::string& path) {
  const auto parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

Status make_parent(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(parent_of(path), ec);
  if (ec) return {"cannot create the registry folder " + parent_of(path) + ": " + ec.message()};
  return {};
}

Status read_file(const std::string& path, std::string& text) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT ? Status{} : failure("cannot open", path);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failure("cannot read", path);
    if (n == 0) return {};
    if (text.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
      return {"registry file " + path + " is too large"};
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A file created beside `path`, removed again unless it was renamed over `path`.
class TempFile {
 public:
  explicit TempFile(const std::string& path) : name_(path + ".XXXXXX") {
    fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(name_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }
  bool rename_to(const std::string& path) {
    renamed_ = ::rename(name_.c_str(), path.c_str()) == 0;
    return renamed_;
  }

 private:
  std::string name_;
  int fd_ = -1;
  bool renamed_ = false;
};

void sync_folder(const std::string& path) {
  Fd dir(::open(parent_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

// A new registry file gets the usual 0644; a replaced one keeps its mode.
mode_t mode_for(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
}

Status write_atomically(const std::string& path, std::string_view text) {
  TempFile temp(path);
  if (temp.fd() < 0) return failure("cannot create a file beside", path);
  if (!write_all(temp.fd(), text) || ::fchmod(temp.fd(), mode_for(path)) != 0 ||
      ::fsync(temp.fd()) != 0 || !temp.close()) {
    return failure("cannot write", temp.name());
  }
  if (!temp.rename_to(path)) return failure("cannot replace", path);
  sync_folder(path);
  return {};
}

}  // namespace

std::string default_location() {
  if (const char* env = std::getenv("CORVI_REGISTRY"); env && *env) return env;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = ::getpwuid(::getuid());
    home = user ? user->pw_dir : nullptr;
  }
  if (home == nullptr || *home == '\0') return {};
  return std::string(home) + "/.local/share/corvi/registry.reg";
}

Status Store::read(Key& root) const {
  if (path_.empty()) return {"no registry location: set CORVI_REGISTRY or HOME"};
  std::string text;
  if (Status status = read_file(path_, text); !status.ok()) return status;
  Key parsed;
  if (Status status = parse(text, parsed); !status.ok()) {
    return {"registry file " + path_ + " is corrupt: " + status.error};
  }
  root = std::move(parsed);
  return {};
}

Status Store::update(const std::function<void(Key& root)>& change) const {
  if (path_.empty()) return {"no registry location: set CORVI_REGISTRY or HOME"};
  if (Status status = make_parent(path_); !status.ok()) return status;
  const std::string lock_path = path_ + ".lock";
  Fd lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lock.get() < 0) return failure("cannot create the lock file", lock_path);
  while (::flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return failure("cannot lock", lock_path);
  }
  Key root;
  if (Status status = read(root); !status.ok()) return status;
  change(root);
  return write_atomically(path_, format(root));
}

Status Store::check_writable() const {
  if (path_.empty()) return {"no registry location: set CORVI_REGISTRY or HOME"};
  if (Status status = make_parent(path_); !status.ok()) return status;
  TempFile probe(path_);
  if (probe.fd() < 0) return failure("cannot create a file beside", path_);
  return {};
}

}  // namespace registry
