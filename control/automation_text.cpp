#include "automation_text.h"

#include <new>

#include "automation/charset.h"

namespace corvi {

std::optional<std::string> to_ansi(automation::BSTR text) {
  if (text == nullptr) return std::nullopt;
  return automation::to_locale_charset(automation::bstr_view(text));
}

automation::BSTR new_bstr(std::u16string_view text) {
  const automation::BSTR copy =
      automation::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  if (copy == nullptr) throw std::bad_alloc();
  return copy;
}

}  // namespace corvi
