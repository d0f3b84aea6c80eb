#include "reader_model.h"

namespace readersim {

ReaderState ReaderModel::snapshot() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void ReaderModel::update(const std::function<void(ReaderState&)>& change) {
  std::lock_guard lock(mutex_);
  change(state_);
  settle_chips(state_);
}

Reply ReaderModel::execute(const Request& request) {
  std::lock_guard lock(mutex_);
  Reply reply = table_.execute(request, state_);
  settle_chips(state_);
  return reply;
}

void ReaderModel::set_entry_pending(bool pending) {
  {
    std::lock_guard lock(mutex_);
    entry_pending_ = pending;
  }
  entry_changed_.notify_all();
}

bool ReaderModel::wait_for_entry(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return entry_changed_.wait_for(lock, timeout, [this] { return entry_pending_; });
}

}  // namespace readersim
