// The host side: find a class through the registry and create an object of it from the module
// that serves it:
//   ProgID -> HKCR\<ProgID>\CLSID -> HKCR\CLSID\{clsid}\InprocServer32 (module path)
//   -> dlopen -> DllGetClassObject -> IClassFactory::CreateInstance.
// Loaded modules stay loaded for the rest of the process (objects may still be alive).
// Each function can also say why it failed, in words, through `why`.
#pragma once

#include <string>
#include <string_view>

#include "automation/guid.h"
#include "automation/module_exports.h"
#include "automation/result.h"

namespace automation {

struct ModuleEntryPoints {
  DllGetClassObjectFn get_class_object;
  DllCanUnloadNowFn can_unload_now;
  DllRegisterServerFn register_server;
  DllUnregisterServerFn unregister_server;
};

// Loads the module at `path` and finds its four exports. CO_E_DLLNOTFOUND when it cannot be
// loaded, CO_E_ERRORINDLL when an export is missing.
HRESULT load_module(const std::string& path, ModuleEntryPoints* entry_points,
                    std::string* why = nullptr);

// REGDB_E_CLASSNOTREG when the name or class is not registered, REGDB_E_READREGDB when the
// registry cannot be read.
HRESULT clsid_from_prog_id(std::string_view prog_id, Guid* clsid, std::string* why = nullptr);
HRESULT module_path_of(const Guid& clsid, std::string* path, std::string* why = nullptr);

HRESULT create_instance(const Guid& clsid, const Guid& iid, void** out, std::string* why = nullptr);
HRESULT create_by_prog_id(std::string_view prog_id, const Guid& iid, void** out,
                          std::string* why = nullptr);

}  // namespace automation
