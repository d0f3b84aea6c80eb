#include "library_lock.h"

namespace tarn::platform {

namespace {
constinit std::mutex lock;
}

std::mutex& library_lock() {
  return lock;
}

}  // namespace tarn::platform
