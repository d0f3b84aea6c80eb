// `corvi register` and `corvi unregister`: load the module and run its self-registration.
#pragma once

#include <string>

namespace corvi_tool {

// Returns the exit status; on failure says why on stderr.
int update_registration(const std::string& module, bool install);

}  // namespace corvi_tool
