// The reader's end of the serial line: a pseudo-terminal pair whose master the reader serves.
// The reader also keeps the slave open itself, so the master never sees a hang-up when the
// library closes its port; and the library's slave never sees one unless the master is closed.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

namespace readersim {

class PtyLine {
 public:
  // Opens a pair; makes `link` (if not empty) a symlink to the slave. Throws std::system_error.
  explicit PtyLine(std::string link);
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  void open();  // a new pair, the symlink pointed at it; then the old pair is let go
  // Closes the master: the library's slave sees a hang-up. The reader keeps its own slave, so
  // that while unplugged the slave's number is not handed to another pseudo-terminal, which a
  // program reopening the old path or the symlink would otherwise reach.
  void hang_up();
  bool is_open() const { return master_ >= 0; }
  int master() const { return master_; }

  std::string slave_path() const;
  const std::string& link() const { return link_; }

  // Non-blocking; both return the count moved (0 when the line cannot take or give any now).
  std::size_t read_some(std::span<std::uint8_t> into);
  std::size_t write_some(std::span<const std::uint8_t> bytes);
  // Bytes written to the slave that nobody has read yet.
  std::size_t unread() const;

 private:
  void point_link(const std::string& target) const;
  void close();  // both ends

  std::string link_;
  int master_ = -1;
  int own_slave_ = -1;
  mutable std::mutex path_mutex_;
  std::string slave_path_;
};

}  // namespace readersim
