#include "automation/create_object.h"

#include <dlfcn.h>

#include "automation/class_factory.h"
#include "registry/store.h"

namespace automation {
namespace {

HRESULT fail(HRESULT hr, std::string* why, const std::string& reason) {
  if (why != nullptr) *why = reason;
  return hr;
}

// The registry's string value `name` of `path`: S_OK, or why it is not there.
HRESULT registry_string(const std::string& path, std::string* value, std::string* why) {
  registry::Key root;
  const registry::Status status = registry::Store::at_default_location().read(root);
  if (!status.ok()) return fail(REGDB_E_READREGDB, why, status.error);
  const std::string* found = root.find_string(path);
  if (found == nullptr) return fail(REGDB_E_CLASSNOTREG, why, path + " is not registered");
  *value = *found;
  return S_OK;
}

template <class Fn>
Fn symbol(void* module, const char* name) {
  return reinterpret_cast<Fn>(::dlsym(module, name));
}

}  // namespace

HRESULT load_module(const std::string& path, ModuleEntryPoints* entry_points, std::string* why) {
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return fail(CO_E_DLLNOTFOUND, why, ::dlerror());
  *entry_points = {symbol<DllGetClassObjectFn>(module, "DllGetClassObject"),
                   symbol<DllCanUnloadNowFn>(module, "DllCanUnloadNow"),
                   symbol<DllRegisterServerFn>(module, "DllRegisterServer"),
                   symbol<DllUnregisterServerFn>(module, "DllUnregisterServer")};
  if (!entry_points->get_class_object || !entry_points->can_unload_now ||
      !entry_points->register_server || !entry_points->unregister_server) {
    return fail(CO_E_ERRORINDLL, why, path + " lacks the module entry points");
  }
  return S_OK;
}

HRESULT clsid_from_prog_id(std::string_view prog_id, Guid* clsid, std::string* why) {
  std::string text;
  const HRESULT hr = registry_string(std::string(prog_id) + "\\CLSID", &text, why);
  if (failed(hr)) return hr;
  const auto parsed = parse_guid(text);
  if (!parsed)
    return fail(REGDB_E_CLASSNOTREG, why, "bad CLSID \"" + text + "\" for " + std::string(prog_id));
  *clsid = *parsed;
  return S_OK;
}

HRESULT module_path_of(const Guid& clsid, std::string* path, std::string* why) {
  return registry_string("CLSID\\" + to_string(clsid) + "\\InprocServer32", path, why);
}

HRESULT create_instance(const Guid& clsid, const Guid& iid, void** out, std::string* why) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  std::string path;
  ModuleEntryPoints module{};
  HRESULT hr = module_path_of(clsid, &path, why);
  if (succeeded(hr)) hr = load_module(path, &module, why);
  if (failed(hr)) return hr;
  ComPtr<IClassFactory> factory;
  hr = module.get_class_object(&clsid, &IClassFactory::iid, factory.put_void());
  if (failed(hr)) return fail(hr, why, path + " has no class object for " + to_string(clsid));
  hr = factory->CreateInstance(nullptr, iid, out);
  if (failed(hr)) return fail(hr, why, "the class object of " + to_string(clsid) + " failed");
  return hr;
}

HRESULT create_by_prog_id(std::string_view prog_id, const Guid& iid, void** out, std::string* why) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  Guid clsid;
  const HRESULT hr = clsid_from_prog_id(prog_id, &clsid, why);
  return failed(hr) ? hr : create_instance(clsid, iid, out, why);
}

}  // namespace automation
