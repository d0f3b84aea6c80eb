#include "automation/charset.h"

#include <iconv.h>
#include <langinfo.h>

#include <bit>
#include <cerrno>
#include <cstring>

namespace automation {
namespace {

// What the C/POSIX locale calls its charset.
constexpr std::string_view kPosixCharset = "ANSI_X3.4-1968";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// Runs one iconv conversion of `input` to the end; false on any conversion error.
bool convert(const char* to, const char* from, std::string_view input, std::string& output) {
  const iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  output.assign(input.size() * 2 + 16, '\0');
  std::size_t done = 0;
  bool ok = true;
  while (ok) {
    char* out = output.data() + done;
    std::size_t out_left = output.size() - done;
    const bool flushing = in_left == 0;
    const std::size_t rc = flushing ? ::iconv(cd, nullptr, nullptr, &out, &out_left)
                                    : ::iconv(cd, &in, &in_left, &out, &out_left);
    done = output.size() - out_left;
    if (rc != static_cast<std::size_t>(-1) && flushing) break;
    if (rc == static_cast<std::size_t>(-1) && errno == E2BIG) {
      output.resize(output.size() * 2);
    } else {
      ok = rc != static_cast<std::size_t>(-1);
    }
  }
  ::iconv_close(cd);
  output.resize(ok ? done : 0);
  return ok;
}

}  // namespace

std::string locale_charset() {
  const char* codeset = ::nl_langinfo(CODESET);
  if (codeset == nullptr || *codeset == '\0' || kPosixCharset == codeset) return "UTF-8";
  return codeset;
}

std::optional<std::string> to_charset(std::u16string_view text, const std::string& charset) {
  std::string out;
  const std::string_view bytes(reinterpret_cast<const char*>(text.data()),
                               text.size() * sizeof(char16_t));
  if (!convert(charset.c_str(), kUtf16, bytes, out)) return std::nullopt;
  return out;
}

std::optional<std::u16string> from_charset(std::string_view bytes, const std::string& charset) {
  std::string out;
  if (!convert(kUtf16, charset.c_str(), bytes, out)) return std::nullopt;
  std::u16string text(out.size() / sizeof(char16_t), u'\0');
  std::memcpy(text.data(), out.data(), text.size() * sizeof(char16_t));
  return text;
}

}  // namespace automation
