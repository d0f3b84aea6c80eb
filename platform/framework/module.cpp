#include "framework/module.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "framework/object_factory.h"

namespace framework {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_server_locks{0};

}  // namespace

ModuleLock::ModuleLock() {
  ++g_objects;
}
ModuleLock::ModuleLock(const ModuleLock&) {
  ++g_objects;
}
ModuleLock::~ModuleLock() {
  --g_objects;
}

std::string module_path() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&module_path), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  const std::unique_ptr<char, decltype(&::free)> real(::realpath(info.dli_fname, nullptr), &::free);
  return real ? real.get() : info.dli_fname;
}

std::string module_name(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  const auto so = name.find(".so");
  if (so != std::string::npos && (so + 3 == name.size() || name[so + 3] == '.')) {
    name.erase(so);
    if (name.starts_with("lib")) name.erase(0, 3);
  } else if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
    name.erase(dot);
  }
  return name;
}

automation::HRESULT COleControlModule::GetClassObject(const automation::Guid& clsid,
                                                      const automation::Guid& iid, void** out) {
  if (out == nullptr) return automation::E_INVALIDARG;
  *out = nullptr;
  COleObjectFactory* factory = COleObjectFactory::Find(clsid);
  if (factory == nullptr) return automation::CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(iid, out);
}

automation::HRESULT COleControlModule::CanUnloadNow() {
  return g_objects == 0 && g_server_locks == 0 ? automation::S_OK : automation::S_FALSE;
}

void COleControlModule::LockServer() {
  ++g_server_locks;
}

bool COleControlModule::UnlockServer() {
  long held = g_server_locks.load();
  while (held > 0 && !g_server_locks.compare_exchange_weak(held, held - 1)) {
  }
  return held > 0;
}

}  // namespace framework
