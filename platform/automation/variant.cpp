#include "automation/variant.h"

#include <utility>

namespace automation {

Variant Variant::adopt(BSTR text) {
  Variant v;
  v.type_ = VarType::Bstr;
  v.bstr_ = text;
  return v;
}

Variant::Variant(Variant&& other) noexcept
    : type_(std::exchange(other.type_, VarType::Empty)),
      number_(std::exchange(other.number_, 0)),
      bstr_(std::exchange(other.bstr_, nullptr)) {}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    clear();
    type_ = std::exchange(other.type_, VarType::Empty);
    number_ = std::exchange(other.number_, 0);
    bstr_ = std::exchange(other.bstr_, nullptr);
  }
  return *this;
}

HRESULT Variant::copy_from(const Variant& source) {
  if (this == &source) return S_OK;
  clear();
  if (source.type_ != VarType::Bstr || source.bstr_ == nullptr) {
    type_ = source.type_;
    number_ = source.number_;
    return S_OK;
  }
  BSTR copy = SysAllocStringLen(source.bstr_, SysStringLen(source.bstr_));
  if (copy == nullptr) return E_OUTOFMEMORY;
  *this = adopt(copy);
  return S_OK;
}

HRESULT Variant::set_string(std::u16string_view text) {
  if (text.size() > UINT32_MAX) return E_OUTOFMEMORY;
  BSTR copy = SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  if (copy == nullptr) return E_OUTOFMEMORY;
  *this = adopt(copy);
  return S_OK;
}

void Variant::clear() {
  if (type_ == VarType::Bstr) SysFreeString(bstr_);
  type_ = VarType::Empty;
  number_ = 0;
  bstr_ = nullptr;
}

}  // namespace automation
