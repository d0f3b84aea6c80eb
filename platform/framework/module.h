// The module: its application object, its file, and the count of live objects and server locks
// that decides whether a host may unload it.
#pragma once

#include <string>

#include "automation/guid.h"
#include "automation/result.h"

namespace framework {

// Counts as one live object for as long as it exists (a member of every object the module serves).
class ModuleLock {
 public:
  ModuleLock();
  ModuleLock(const ModuleLock&);
  ModuleLock& operator=(const ModuleLock&) = default;
  ~ModuleLock();
};

// Absolute path of the shared object (or program) this framework is linked into.
std::string module_path();
// Its file name without folder, "lib" prefix and extension: "/opt/x/libCorvi.so" -> "Corvi".
// Message boxes use it as their caption.
std::string module_name(const std::string& path = module_path());

// Base of the module's one application object. Its static functions are the framework's side of
// the module's exported DllGetClassObject and DllCanUnloadNow.
class COleControlModule {
 public:
  COleControlModule() = default;
  COleControlModule(const COleControlModule&) = delete;
  COleControlModule& operator=(const COleControlModule&) = delete;
  virtual ~COleControlModule() = default;

  // The class object of one of the module's factories.
  static automation::HRESULT GetClassObject(const automation::Guid& clsid,
                                            const automation::Guid& iid, void** out);
  // S_OK when no object and no server lock is alive, S_FALSE otherwise.
  static automation::HRESULT CanUnloadNow();

  // Server locks taken by hosts through IClassFactory::LockServer.
  static void LockServer();
  static bool UnlockServer();  // false when no lock was held
};

}  // namespace framework
