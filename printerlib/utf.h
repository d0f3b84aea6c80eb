// UTF-8 and UTF-16 text for the library's strings, its settings and its files.
#pragma once

#include <string>
#include <string_view>

namespace rkprinter {

// Malformed input becomes U+FFFD (a lone surrogate on the way out, a bad sequence on the way in).
std::string to_utf8(std::u16string_view text);
std::u16string to_utf16(std::string_view text);

}  // namespace rkprinter
