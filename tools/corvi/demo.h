// `corvi demo`: a kiosk session through the control, each step printed as it happens.
#pragma once

#include <string>

#include "sim_reader.h"

namespace corvi_tool {

// With `sim`, the demo also plays the customer at the scanner. Returns the exit status.
int run_demo(const std::string& port, SimReader* sim);

}  // namespace corvi_tool
