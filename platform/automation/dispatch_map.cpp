#include "automation/dispatch_map.h"

#include <algorithm>

namespace automation {
namespace {

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace

DispatchMap::DispatchMap(std::string name, Guid iid, std::string help,
                         std::vector<DispatchEntry> entries)
    : interface_{std::move(name), iid, std::move(help), {}} {
  for (auto& entry : entries) {
    interface_.methods.push_back(std::move(entry.info));
    thunks_.push_back(entry.call);
  }
}

HRESULT DispatchMap::find(std::string_view name, DISPID* id) const {
  if (id == nullptr) return E_INVALIDARG;
  for (const auto& method : interface_.methods) {
    if (same_name_ignoring_case(method.name, name)) {
      *id = method.dispid;
      return S_OK;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchMap::invoke(IDispatch& self, DISPID id, std::span<const Variant> args,
                            Variant* result) const {
  const auto& methods = interface_.methods;
  const auto it = std::find_if(methods.begin(), methods.end(),
                               [id](const MethodInfo& m) { return m.dispid == id; });
  if (it == methods.end()) return DISP_E_MEMBERNOTFOUND;
  if (args.size() != it->params.size()) return DISP_E_BADPARAMCOUNT;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].type() != it->params[i].type) return DISP_E_TYPEMISMATCH;
  }
  Variant value;
  const HRESULT hr = thunks_[static_cast<std::size_t>(it - methods.begin())](self, args, value);
  if (succeeded(hr) && result != nullptr) *result = std::move(value);
  return hr;
}

}  // namespace automation
