#include "framework/object_factory.h"

#include "framework/module.h"

namespace framework {
namespace {

using namespace automation;

// The module's factories, in construction order. Constant-initialised, so factories constructed
// during static initialisation of any file find it ready.
constinit COleObjectFactory* g_first = nullptr;

}  // namespace

COleObjectFactory::COleObjectFactory(const Guid& clsid, Creator create)
    : clsid_(clsid), create_(create) {
  COleObjectFactory** link = &g_first;
  while (*link != nullptr) link = &(*link)->next_;
  *link = this;
}

COleObjectFactory::~COleObjectFactory() {
  for (COleObjectFactory** link = &g_first; *link != nullptr; link = &(*link)->next_) {
    if (*link == this) {
      *link = next_;
      break;
    }
  }
}

HRESULT COleObjectFactory::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  const bool known = iid == IUnknown::iid || iid == IClassFactory::iid;
  *out = known ? static_cast<IClassFactory*>(this) : nullptr;
  return known ? S_OK : E_NOINTERFACE;
}

HRESULT COleObjectFactory::CreateInstance(IUnknown* outer, const Guid& iid, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  const ComPtr<IUnknown> object(create_());
  if (!object) return E_OUTOFMEMORY;
  return object->QueryInterface(iid, out);  // an unknown interface frees the new object again
}

HRESULT COleObjectFactory::LockServer(bool lock) {
  if (lock) {
    COleControlModule::LockServer();
    return S_OK;
  }
  return COleControlModule::UnlockServer() ? S_OK : E_FAIL;
}

bool COleObjectFactory::UpdateRegistryAll(bool register_class) {
  for (COleObjectFactory* factory = g_first; factory != nullptr; factory = factory->next_) {
    if (!factory->UpdateRegistry(register_class)) return false;
  }
  return true;
}

COleObjectFactory* COleObjectFactory::Find(const Guid& clsid) {
  for (COleObjectFactory* factory = g_first; factory != nullptr; factory = factory->next_) {
    if (factory->clsid_ == clsid) return factory;
  }
  return nullptr;
}

}  // namespace framework
