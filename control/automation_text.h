// Text between the host's automation strings and the 8-bit strings of the device libraries.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "automation/bstr.h"

namespace corvi {

// The host's UTF-16 text in the charset of the calling thread's locale; nothing for a null
// string or text the charset cannot hold.
std::optional<std::string> to_ansi(automation::BSTR text);

// A new automation string for the host; throws std::bad_alloc when it cannot be allocated, which
// the dispatch turns into an out-of-memory error.
automation::BSTR new_bstr(std::u16string_view text);

}  // namespace corvi
