// Late-bound calls: a host looks a method up by name (case-insensitively, as automation hosts
// expect) and invokes it by DISPID with its arguments, first argument first.
#pragma once

#include <span>
#include <string_view>

#include "automation/type_library.h"
#include "automation/unknown.h"
#include "automation/variant.h"

namespace automation {

class IDispatch : public IUnknown {
 public:
  static constexpr Guid iid = make_guid("{00020400-0000-0000-C000-000000000046}");
  // The type library that describes this object; owned by the object's module.
  virtual HRESULT GetTypeLib(const TypeLibrary** library) = 0;
  // DISP_E_UNKNOWNNAME when no method has that name.
  virtual HRESULT GetIDsOfNames(std::string_view name, DISPID* id) = 0;
  // DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH, E_OUTOFMEMORY when the
  // result cannot be allocated. `result` may be null when the caller does not want it.
  virtual HRESULT Invoke(DISPID id, std::span<const Variant> args, Variant* result) = 0;
};

}  // namespace automation
