// A tiny control module, built like a real one on the framework, for the host-side tests: a
// control with a few methods, a property page, their factories, and the four module exports.
#include "test_control_ids.h"

#include "automation/charset.h"
#include "automation/module_exports.h"
#include "framework/dialog.h"
#include "framework/object_factory.h"
#include "framework/ole_control.h"
#include "framework/property_page.h"
#include "framework/registration.h"

namespace {

using namespace automation;
using namespace framework;
using Kind = DialogItem::Kind;

const DialogTemplate kAboutBox{1,
                               DialogTemplate::Style::Modal,
                               "关于 Test Control",
                               260,
                               55,
                               9,
                               "宋体, MS Sans Serif",
                               {{Kind::Icon, 1, "", 10, 10, 20, 20},
                                {Kind::Text, IDC_STATIC, "Test Control 1.0", 40, 10, 170, 8},
                                {Kind::DefaultButton, IDOK, "确定", 221, 7, 32, 16}}};
const DialogTemplate kPageDialog{200,
                                 DialogTemplate::Style::Child,
                                 "",
                                 250,
                                 62,
                                 9,
                                 "宋体, MS Sans Serif",
                                 {{Kind::Text, IDC_STATIC, "no properties", 7, 25, 229, 16}}};

class TestCtrl : public COleControl {
 public:
  static const DispatchMap& map() {
    static const DispatchMap map(
        "_DTestCtrl", test_ids::kDispatchIid, "Test Control dispatch",
        {
            disp_function<&TestCtrl::AboutBox>("AboutBox", DISPID_ABOUTBOX, ""),
            disp_function<&TestCtrl::Echo>("Echo", 1, "returns its text", "text"),
            disp_function<&TestCtrl::Warn>("Warn", 2, "shows its text in a message box", "text"),
        });
    return map;
  }
  static const TypeLibrary& library() {
    static const TypeLibrary library{
        test_ids::kLibid,
        1,
        0,
        1033,
        "TestCtrlLib",
        "Test Control 模块",
        "TestCtrl.hlp",
        {map().interface_info(), {"_DTestCtrlEvents", test_ids::kEventsIid, "events", {}}},
        {{"TestCtrl", test_ids::kClsid, "Test Control", true, true, "_DTestCtrl",
          "_DTestCtrlEvents"}}};
    return library;
  }

 protected:
  const DispatchMap& GetDispatchMap() const override { return map(); }
  const TypeLibrary& GetTypeLibrary() const override { return library(); }
  void OnDraw(CDC* dc, const CRect& bounds, const CRect&) override {
    dc->FillRect(bounds, kWhiteBrush);
    dc->Ellipse(bounds);
  }
  void DoPropExchange(CPropExchange* px) override {
    ExchangeVersion(px, 0x00010000);
    COleControl::DoPropExchange(px);
  }

 private:
  void AboutBox() { CDialog(kAboutBox, this).DoModal(); }
  BSTR Echo(BSTR text) {
    BSTR copy = SysAllocStringLen(text, SysStringLen(text));
    if (copy == nullptr) throw std::bad_alloc();
    return copy;
  }
  std::uint8_t Warn(BSTR text) {
    return static_cast<std::uint8_t>(
        ShowMessageBox(to_charset(bstr_view(text), "UTF-8").value_or("?")));
  }
};

class TestPage : public COlePropertyPage {
 public:
  TestPage() : COlePropertyPage(kPageDialog, "常规") {}
};

class TestCtrlFactory : public COleObjectFactory {
 public:
  TestCtrlFactory() : COleObjectFactory(test_ids::kClsid, &create_object<TestCtrl>) {}
  bool UpdateRegistry(bool register_class) override {
    if (!register_class) return unregister_class(test_ids::kClsid, test_ids::kProgId).ok();
    return register_control_class({{test_ids::kClsid, test_ids::kProgId, "Test Control"},
                                   1,
                                   131473,
                                   test_ids::kLibid,
                                   1,
                                   0})
        .ok();
  }
} g_control_factory;

class TestPageFactory : public COleObjectFactory {
 public:
  TestPageFactory() : COleObjectFactory(test_ids::kPageClsid, &create_object<TestPage>) {}
  bool UpdateRegistry(bool register_class) override {
    if (!register_class) return unregister_class(test_ids::kPageClsid, test_ids::kPageProgId).ok();
    return register_server_class({test_ids::kPageClsid, test_ids::kPageProgId, "Test Page"}).ok();
  }
} g_page_factory;

class TestApp : public COleControlModule {};
[[maybe_unused]] TestApp g_app;  // the module's application object

}  // namespace

AUTOMATION_EXPORT HRESULT DllRegisterServer() {
  if (!register_type_library(TestCtrl::library()).ok()) return SELFREG_E_TYPELIB;
  if (!COleObjectFactory::UpdateRegistryAll(true)) return SELFREG_E_CLASS;
  return S_OK;
}

AUTOMATION_EXPORT HRESULT DllUnregisterServer() {
  if (!unregister_type_library(TestCtrl::library()).ok()) return SELFREG_E_TYPELIB;
  if (!COleObjectFactory::UpdateRegistryAll(false)) return SELFREG_E_CLASS;
  return S_OK;
}

AUTOMATION_EXPORT HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
  if (clsid == nullptr || iid == nullptr) return E_INVALIDARG;
  return COleControlModule::GetClassObject(*clsid, *iid, out);
}

AUTOMATION_EXPORT HRESULT DllCanUnloadNow() {
  return COleControlModule::CanUnloadNow();
}
