// HRESULT-style 32-bit result codes: negative means failure.
#pragma once

#include <cstdint>
#include <string>

namespace automation {

using HRESULT = std::int32_t;

constexpr bool succeeded(HRESULT hr) {
  return hr >= 0;
}
constexpr bool failed(HRESULT hr) {
  return hr < 0;
}

constexpr HRESULT code(std::uint32_t bits) {
  return static_cast<HRESULT>(bits);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = code(0x80004005);
inline constexpr HRESULT E_NOINTERFACE = code(0x80004002);
inline constexpr HRESULT E_OUTOFMEMORY = code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = code(0x80070057);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = code(0x80020006);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = code(0x80020003);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = code(0x8002000E);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = code(0x80020005);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = code(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = code(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = code(0x80040150);    // registry cannot be read
inline constexpr HRESULT REGDB_E_CLASSNOTREG = code(0x80040154);  // class not registered
inline constexpr HRESULT CO_E_DLLNOTFOUND = code(0x800401F8);     // module cannot be loaded
inline constexpr HRESULT CO_E_ERRORINDLL = code(0x800401F9);      // module lacks an entry point
inline constexpr HRESULT SELFREG_E_TYPELIB = code(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = code(0x80040201);

// "DISP_E_UNKNOWNNAME (0x80020006)" for the codes above, "0x12345678" for any other.
std::string describe_result(HRESULT hr);

}  // namespace automation
