// Faults waiting for the next requests, and how they bend a reply frame.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "command_table.h"
#include "readersim/fault.h"

namespace readersim {

// What happens to one accepted request.
struct FaultSet {
  std::set<Fault> faults;
  std::chrono::milliseconds delay{};  // of Fault::SlowReply
  std::optional<Bytes> raw;           // sent after ENQ instead of the reply
  std::optional<Reply> reply;         // replaces the command's own reply

  bool has(Fault fault) const { return faults.contains(fault); }
};

class FaultPlan {
 public:
  void inject(Fault fault, int count, std::chrono::milliseconds delay);
  void clear();
  void set_raw(Bytes bytes);
  void set_reply(std::uint8_t cm, Reply reply);

  // Takes what applies to the next accepted request with this CM.
  FaultSet take(std::uint8_t cm);

 private:
  struct Active {
    int remaining;  // kUntilCleared: no limit
    std::chrono::milliseconds delay;
  };
  std::mutex mutex_;
  std::map<Fault, Active> active_;
  std::optional<Bytes> raw_;
  std::map<std::uint8_t, Reply> replies_;
};

// The reply frame as the faults of `set` make it.
Bytes shape_reply(Bytes frame, const FaultSet& set);

}  // namespace readersim
