// Process-wide table of open ports. A handle is an index and a generation, never a pointer,
// so a closed or invented handle is recognised instead of touching freed memory.
#pragma once

#include <memory>

#include "serial/serial_port.h"

namespace tarn {

using PortRef = std::shared_ptr<platform::SerialPort>;

// Stores an open port and returns its handle (never null).
void* add_port(std::unique_ptr<platform::SerialPort> port);
// The port behind a handle, or null when the handle is null, closed or unknown.
PortRef find_port(void* handle);
// Removes the handle from the table and closes its port; false when the handle is unknown or
// the system refused to close it.
bool close_port(void* handle);

}  // namespace tarn
