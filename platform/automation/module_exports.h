// The four functions every in-process module exports, by these names, for hosts that load it.
#pragma once

#include "automation/guid.h"
#include "automation/result.h"

// Marks a module's exported functions (the rest of a module is hidden).
#define AUTOMATION_EXPORT extern "C" __attribute__((visibility("default")))

namespace automation {

// The class object of `clsid` (normally asked for IClassFactory); CLASS_E_CLASSNOTAVAILABLE when
// the module has no such class.
using DllGetClassObjectFn = HRESULT (*)(const Guid* clsid, const Guid* iid, void** out);
// S_OK when no object and no lock is alive, so the module may be unloaded; S_FALSE otherwise.
using DllCanUnloadNowFn = HRESULT (*)();
// Write or remove the module's classes and type library in the registry. On failure
// SELFREG_E_TYPELIB or SELFREG_E_CLASS.
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();

}  // namespace automation
