// The reader's state and commands behind one lock, shared by the serving thread and the tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "command_table.h"

namespace readersim {

class ReaderModel {
 public:
  ReaderState snapshot() const;
  void update(const std::function<void(ReaderState&)>& change);

  bool silent(const Request& request) const { return table_.silent(request); }
  Reply execute(const Request& request);

  void set_entry_pending(bool pending);
  bool wait_for_entry(std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable entry_changed_;
  ReaderState state_;
  const CommandTable table_ = reader_commands();
  bool entry_pending_ = false;
};

}  // namespace readersim
