// Outcome of a registry operation: success, or a message that says what went wrong and where.
#pragma once

#include <string>

namespace registry {

struct Status {
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

}  // namespace registry
