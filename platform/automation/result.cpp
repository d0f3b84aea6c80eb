#include "automation/result.h"

#include <cstdio>

namespace automation {
namespace {

struct Named {
  HRESULT code;
  const char* name;
};

#define NAMED(x) \
  Named {        \
    x, #x        \
  }
constexpr Named kNames[] = {
    NAMED(S_OK),
    NAMED(S_FALSE),
    NAMED(E_FAIL),
    NAMED(E_NOINTERFACE),
    NAMED(E_OUTOFMEMORY),
    NAMED(E_INVALIDARG),
    NAMED(DISP_E_UNKNOWNNAME),
    NAMED(DISP_E_MEMBERNOTFOUND),
    NAMED(DISP_E_BADPARAMCOUNT),
    NAMED(DISP_E_TYPEMISMATCH),
    NAMED(CLASS_E_NOAGGREGATION),
    NAMED(CLASS_E_CLASSNOTAVAILABLE),
    NAMED(REGDB_E_READREGDB),
    NAMED(REGDB_E_CLASSNOTREG),
    NAMED(CO_E_DLLNOTFOUND),
    NAMED(CO_E_ERRORINDLL),
    NAMED(SELFREG_E_TYPELIB),
    NAMED(SELFREG_E_CLASS),
};
#undef NAMED

}  // namespace

std::string describe_result(HRESULT hr) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<std::uint32_t>(hr));
  for (const auto& named : kNames) {
    if (named.code == hr) return std::string(named.name) + " (" + hex + ")";
  }
  return hex;
}

}  // namespace automation
