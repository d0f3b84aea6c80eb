// The card-reader library's one process-wide lock around every framed exchange.
#pragma once

#include <mutex>

namespace tarn::platform {

// Constructed when the library is loaded and never re-created while it runs.
std::mutex& library_lock();

}  // namespace tarn::platform
