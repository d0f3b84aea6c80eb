// The module: its one application object and the four functions a host calls to register it and
// to get its class objects.
#include "automation/module_exports.h"
#include "corvi_ctrl.h"
#include "framework/module.h"
#include "framework/object_factory.h"
#include "framework/registration.h"

namespace corvi {

class CCorviApp : public framework::COleControlModule {};

namespace {
[[maybe_unused]] CCorviApp g_app;
}  // namespace

}  // namespace corvi

using namespace automation;

AUTOMATION_EXPORT HRESULT DllRegisterServer() {
  if (!framework::register_type_library(corvi::CCorviCtrl::type_library()).ok())
    return SELFREG_E_TYPELIB;
  if (!framework::COleObjectFactory::UpdateRegistryAll(true)) return SELFREG_E_CLASS;
  return S_OK;
}

AUTOMATION_EXPORT HRESULT DllUnregisterServer() {
  if (!framework::unregister_type_library(corvi::CCorviCtrl::type_library()).ok())
    return SELFREG_E_TYPELIB;
  if (!framework::COleObjectFactory::UpdateRegistryAll(false)) return SELFREG_E_CLASS;
  return S_OK;
}

AUTOMATION_EXPORT HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
  if (clsid == nullptr || iid == nullptr) return E_INVALIDARG;
  return framework::COleControlModule::GetClassObject(*clsid, *iid, out);
}

AUTOMATION_EXPORT HRESULT DllCanUnloadNow() {
  return framework::COleControlModule::CanUnloadNow();
}
