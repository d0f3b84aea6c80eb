// Conversion between UTF-16 text and the 8-bit charset of the calling thread's locale (the charset
// that port names and printed text use on their way to the device libraries).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace automation {

// The charset of the calling thread's current locale (nl_langinfo(CODESET)); "UTF-8" while the
// locale is the plain C/POSIX one, that is when the program has set no locale.
std::string locale_charset();

// Strict conversions through iconv: text that the target charset cannot represent, malformed input
// or an unknown charset give no result rather than a guess.
std::optional<std::string> to_charset(std::u16string_view text, const std::string& charset);
std::optional<std::u16string> from_charset(std::string_view bytes, const std::string& charset);

inline std::optional<std::string> to_locale_charset(std::u16string_view text) {
  return to_charset(text, locale_charset());
}
inline std::optional<std::u16string> from_locale_charset(std::string_view bytes) {
  return from_charset(bytes, locale_charset());
}

}  // namespace automation
