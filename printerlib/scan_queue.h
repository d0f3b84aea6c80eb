// Readings waiting at the scanner: the lines of the folder's scans.txt, UTF-8, first line first.
// A user (or a test, or a demo playing the customer) queues them; each scan takes one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rkprinter {

// Adds a reading at the end of the queue; false for a reading holding a line end, or when the
// file cannot be written.
bool queue_reading(std::string_view reading);

// Takes the first reading off the queue; nothing when the queue is empty or cannot be read.
std::optional<std::string> take_reading();

}  // namespace rkprinter
