// Handing reply data to a caller's buffer by the caller's count.
#pragma once

#include <cstddef>

#include "reply.h"

namespace tarn {

// Copies `n` bytes of reply data to `out`; past the end of a shorter reply's data it writes
// zeros, never the frame's ETX and BCC.
inline void copy_reply_data(const Reply& reply, unsigned char* out, std::size_t n) {
  const std::size_t available = reply.data().size();
  for (std::size_t k = 0; k < n; ++k) out[k] = k < available ? reply.data_at(k) : 0;
}

}  // namespace tarn
