// A dispatch map: the table that binds an interface's methods to member functions of the class
// that implements it. Parameter and result types come from the member functions' own signatures,
// so the interface description (for the type library) and the calls cannot disagree.
//
//   const DispatchMap& map() {
//     static const DispatchMap map("_DThing", kIid, "help", {
//         disp_function<&Thing::Open>("Open", 1, "help of Open", "port"),
//     });
//     return map;
//   }
//
// Member functions take and return std::uint8_t, std::uint32_t or BSTR (a returned BSTR is handed
// to the caller, who frees it; a null one is the null string), or return void. A method that
// cannot allocate its result throws std::bad_alloc, and the caller gets E_OUTOFMEMORY.
#pragma once

#include <new>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/dispatch.h"

namespace automation {

using MethodThunk = HRESULT (*)(IDispatch& self, std::span<const Variant> args, Variant& result);

struct DispatchEntry {
  MethodInfo info;
  MethodThunk call;
};

class DispatchMap {
 public:
  DispatchMap(std::string name, Guid iid, std::string help, std::vector<DispatchEntry> entries);

  const InterfaceInfo& interface_info() const { return interface_; }
  // Names are matched without regard to ASCII case.
  HRESULT find(std::string_view name, DISPID* id) const;
  // Checks the argument count and types against the method's parameters, then calls it.
  HRESULT invoke(IDispatch& self, DISPID id, std::span<const Variant> args, Variant* result) const;

 private:
  InterfaceInfo interface_;
  std::vector<MethodThunk> thunks_;  // one per entry of interface_.methods
};

namespace dispatch_detail {

template <class T>
struct Automation;  // what a C++ parameter or result type is to automation
template <>
struct Automation<std::uint8_t> {
  static constexpr VarType type = VarType::UI1;
  static std::uint8_t from(const Variant& v) { return v.ui1(); }
};
template <>
struct Automation<std::uint32_t> {
  static constexpr VarType type = VarType::UI4;
  static std::uint32_t from(const Variant& v) { return v.ui4(); }
};
template <>
struct Automation<BSTR> {
  static constexpr VarType type = VarType::Bstr;
  static BSTR from(const Variant& v) { return v.bstr(); }
};

template <class R>
Variant to_variant(R value) {
  if constexpr (std::is_same_v<R, BSTR>) {
    return Variant::adopt(value);
  } else {
    return Variant(value);
  }
}

template <class F>
struct Method;
template <class T, class R, class... A>
struct Method<R (T::*)(A...)> {
  static constexpr std::size_t arity = sizeof...(A);

  static MethodInfo info(std::string name, DISPID id, std::string help,
                         std::vector<std::string> param_names) {
    std::vector<ParamInfo> params;
    const VarType types[] = {Automation<A>::type..., VarType::Empty};
    for (std::size_t i = 0; i < arity; ++i) params.push_back({param_names[i], types[i]});
    VarType result = VarType::Empty;
    if constexpr (!std::is_void_v<R>) result = Automation<R>::type;
    return {std::move(name), id, std::move(params), result, std::move(help)};
  }

  template <auto Fn>
  static HRESULT call(IDispatch& self, std::span<const Variant> args, Variant& result) {
    return call_with<Fn>(static_cast<T&>(self), args, result, std::index_sequence_for<A...>{});
  }

  template <auto Fn, std::size_t... I>
  static HRESULT call_with(T& object, std::span<const Variant> args, Variant& result,
                           std::index_sequence<I...>) {
    try {
      if constexpr (std::is_void_v<R>) {
        (object.*Fn)(Automation<A>::from(args[I])...);
      } else {
        result = to_variant<R>((object.*Fn)(Automation<A>::from(args[I])...));
      }
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {  // nothing may escape into the caller's module
      return E_FAIL;
    }
    return S_OK;
  }
};
template <class T, class R, class... A>
struct Method<R (T::*)(A...) const> : Method<R (T::*)(A...)> {};

}  // namespace dispatch_detail

// One entry: the method's name, DISPID, help string and one name per parameter.
template <auto Fn, class... ParamNames>
DispatchEntry disp_function(std::string name, DISPID id, std::string help,
                            ParamNames... param_names) {
  using M = dispatch_detail::Method<decltype(Fn)>;
  static_assert(sizeof...(ParamNames) == M::arity, "one name per parameter");
  return {M::info(std::move(name), id, std::move(help), {std::string(param_names)...}),
          &M::template call<Fn>};
}

}  // namespace automation
