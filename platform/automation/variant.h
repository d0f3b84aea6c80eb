// Automation values of the kinds the control's interface uses: nothing, an unsigned byte, an
// unsigned 32-bit number or a string. A Variant owns its string and frees it when cleared,
// reassigned or destroyed; copying allocates and may fail, so it is explicit.
#pragma once

#include <cstdint>
#include <string_view>

#include "automation/bstr.h"
#include "automation/result.h"

namespace automation {

// The automation type tags, with their usual numbers.
enum class VarType : std::uint16_t { Empty = 0, Bstr = 8, UI1 = 17, UI4 = 19 };

class Variant {
 public:
  Variant() = default;
  explicit Variant(std::uint8_t value) : type_(VarType::UI1), number_(value) {}
  explicit Variant(std::uint32_t value) : type_(VarType::UI4), number_(value) {}
  // Takes ownership of `text`; a null `text` is the (valid) null string.
  static Variant adopt(BSTR text);

  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { clear(); }

  // Makes this a deep copy of `source`; on E_OUTOFMEMORY this is left empty.
  HRESULT copy_from(const Variant& source);
  // Makes this a new string with `text`; on E_OUTOFMEMORY this is left unchanged.
  HRESULT set_string(std::u16string_view text);
  void clear();

  VarType type() const { return type_; }
  // The value when the variant holds that type, else 0 or null.
  std::uint8_t ui1() const {
    return type_ == VarType::UI1 ? static_cast<std::uint8_t>(number_) : 0;
  }
  std::uint32_t ui4() const { return type_ == VarType::UI4 ? number_ : 0; }
  BSTR bstr() const { return type_ == VarType::Bstr ? bstr_ : nullptr; }

 private:
  VarType type_ = VarType::Empty;
  std::uint32_t number_ = 0;  // the UI1 or UI4 value
  BSTR bstr_ = nullptr;       // owned while type_ is Bstr
};

}  // namespace automation
