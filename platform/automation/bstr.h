// Automation strings: UTF-16 text with its length stored in front of it, so that it may hold zero
// characters; the pointer handed around points at the text, which is also zero-terminated. A null
// pointer is a valid, empty string. Strings handed across a module boundary are freed by the
// receiver with SysFreeString.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace automation {

using BSTR = char16_t*;

// A copy of the zero-terminated `text`; null for a null `text` or when memory runs out.
BSTR SysAllocString(const char16_t* text);
// `length` code units copied from `text` (zero-filled when `text` is null); null when memory runs
// out or the length cannot be represented.
BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length);
void SysFreeString(BSTR text);
std::uint32_t SysStringLen(BSTR text);

inline std::u16string_view bstr_view(BSTR text) {
  return {text, SysStringLen(text)};
}

struct BstrFree {
  void operator()(BSTR text) const { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<char16_t, BstrFree>;

}  // namespace automation
