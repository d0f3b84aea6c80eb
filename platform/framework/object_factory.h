// Class factories: one static object per creatable class of the module. Each registers itself
// with the module when constructed (at load), hands out new objects, and writes or removes its
// class's registry entries.
#pragma once

#include <new>

#include "automation/class_factory.h"

namespace framework {

class COleObjectFactory : public automation::IClassFactory {
 public:
  // Returns a new object holding one reference, or null when memory ran out.
  using Creator = automation::IUnknown* (*)();

  COleObjectFactory(const automation::Guid& clsid, Creator create);
  COleObjectFactory(const COleObjectFactory&) = delete;
  COleObjectFactory& operator=(const COleObjectFactory&) = delete;
  ~COleObjectFactory() override;

  // A factory is static: references are counted by its users but never free it.
  automation::HRESULT QueryInterface(const automation::Guid& iid, void** out) override;
  std::uint32_t AddRef() override { return 2; }
  std::uint32_t Release() override { return 1; }

  automation::HRESULT CreateInstance(automation::IUnknown* outer, const automation::Guid& iid,
                                     void** out) override;
  automation::HRESULT LockServer(bool lock) override;

  // Writes (true) or removes (false) the class's registry entries.
  virtual bool UpdateRegistry(bool register_class) = 0;
  // Every factory of the module in the order they were constructed; stops at the first failure.
  static bool UpdateRegistryAll(bool register_class);
  static COleObjectFactory* Find(const automation::Guid& clsid);

  const automation::Guid& clsid() const { return clsid_; }

 private:
  automation::Guid clsid_;
  Creator create_;
  COleObjectFactory* next_ = nullptr;
};

// The Creator of class T (an object built on automation::ComObject).
template <class T>
automation::IUnknown* create_object() {
  T* object = new (std::nothrow) T;
  return object != nullptr ? object->unknown() : nullptr;
}

}  // namespace framework
