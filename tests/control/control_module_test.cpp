// libCorvi.so as a host meets it: its registration, its interface and type library, the methods
// that need no device, the about box, drawing, persistence and its exports.
#include <cstdio>
#include <fstream>
#include <set>

#include "automation/class_factory.h"
#include "corvi_fixture.h"
#include "registry/store.h"

namespace {

using namespace automation;
using corvi_test::CorviFixture;

const std::string kControl = "CLSID\\{3A7C1E52-6B90-4F1D-A2C4-7E0D95B3F618}";
const std::string kPage = "CLSID\\{C84A2F13-7E59-4D06-B1A8-5F3E9C0D2B67}";
const std::string kTypeLib = "TypeLib\\{9E41D0A7-3F25-4B8C-8D17-C6A2E05F4B93}";
const std::string kScriptable = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const std::string kInitializable = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

class ControlObject : public CorviFixture {};

class Registration : public CorviFixture {
 protected:
  registry::Key stored() const {
    registry::Key root;
    EXPECT_TRUE(registry::Store(registry_).read(root).ok());
    return root;
  }
};

TEST_F(Registration, RegisterWritesClassesTypeLibraryAndCategories) {
  ASSERT_EQ(module_.register_server(), S_OK);
  const auto root = stored();
  const struct {
    std::string path, name, value;
  } expected[] = {
      {"Corvi.CorviCtrl.1", "", "Corvi Control"},
      {"Corvi.CorviCtrl.1\\CLSID", "", "{3A7C1E52-6B90-4F1D-A2C4-7E0D95B3F618}"},
      {kControl, "", "Corvi Control"},
      {kControl + "\\InprocServer32", "", corvi_test::kModule},
      {kControl + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {kControl + "\\MiscStatus\\1", "", "131473"},
      {kControl + "\\ToolboxBitmap32", "", corvi_test::kModule + ", 1"},
      {kControl + "\\TypeLib", "", "{9E41D0A7-3F25-4B8C-8D17-C6A2E05F4B93}"},
      {kControl + "\\Version", "", "1.0"},
      {"Corvi.CorviPropPage.1", "", "Corvi Property Page"},
      {"Corvi.CorviPropPage.1\\CLSID", "", "{C84A2F13-7E59-4D06-B1A8-5F3E9C0D2B67}"},
      {kPage + "\\InprocServer32", "", corvi_test::kModule},
      {kTypeLib + "\\1.0", "", "Corvi ActiveX 控件模块"},
      {kTypeLib + "\\1.0\\409\\linux", "", corvi_test::kModule},
      {"Interface\\{D2B8470E-91C3-4E6A-B05F-18A9C7E3D245}", "", "_DCorvi"},
      {"Interface\\{71E05C9A-4D28-4B31-9F6E-A3C8B2D1E074}", "", "_DCorviEvents"},
      {"Component Categories\\" + kScriptable, "409",
       "Controls   that   are   safely   scriptable "},
      {"Component Categories\\" + kInitializable, "409",
       "Controls   safely   initializable   from   persistent   data "},
  };
  for (const auto& e : expected) {
    const std::string* value = root.find_string(e.path, e.name);
    ASSERT_NE(value, nullptr) << e.path << " " << e.name;
    EXPECT_EQ(*value, e.value) << e.path << " " << e.name;
  }
  for (const auto& catid : {kScriptable, kInitializable})
    EXPECT_NE(root.find(kControl + "\\Implemented Categories\\" + catid), nullptr) << catid;
  EXPECT_NE(root.find(kControl + "\\Control"), nullptr);
  EXPECT_EQ(root.find(kPage + "\\Control"), nullptr);
}

TEST_F(Registration, UnregisterRemovesClassesAndTypeLibraryAndLeavesTheCategories) {
  ASSERT_EQ(module_.register_server(), S_OK);
  ASSERT_EQ(module_.unregister_server(), S_OK);
  const auto root = stored();
  for (const std::string& gone :
       {std::string("Corvi.CorviCtrl.1"), std::string("Corvi.CorviPropPage.1"), kControl, kPage,
        kTypeLib, std::string("Interface\\{D2B8470E-91C3-4E6A-B05F-18A9C7E3D245}")})
    EXPECT_EQ(root.find(gone), nullptr) << gone;
  for (const auto& catid : {kScriptable, kInitializable})
    EXPECT_NE(root.find("Component Categories\\" + catid), nullptr) << catid;
}

TEST_F(Registration, UnwritableRegistryFailsWithTheTypeLibraryErrorAndWritesNothing) {
  std::ofstream(dir_ / "file") << "x";
  ::setenv("CORVI_REGISTRY", (dir_ / "file" / "registry.reg").c_str(), 1);
  EXPECT_EQ(module_.register_server(), SELFREG_E_TYPELIB);
  EXPECT_EQ(module_.unregister_server(), SELFREG_E_TYPELIB);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                          std::filesystem::directory_iterator{}),
            1);
}

TEST_F(Registration, CorruptRegistryIsNotOverwritten) {
  std::ofstream(registry_) << "not a registry\n";
  EXPECT_EQ(module_.register_server(), SELFREG_E_TYPELIB);
  std::ifstream in(registry_);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "not a registry");
}

TEST_F(ControlObject, TypeLibraryDescribesTheElevenMethods) {
  create_control();
  const TypeLibrary* library = nullptr;
  ASSERT_EQ(control_->GetTypeLib(&library), S_OK);
  EXPECT_EQ(to_string(library->libid), "{9E41D0A7-3F25-4B8C-8D17-C6A2E05F4B93}");
  EXPECT_EQ(std::tie(library->major, library->minor, library->lcid, library->name),
            std::make_tuple(1, 0, 1033u, std::string("CorviLib")));
  ASSERT_EQ(library->interfaces.size(), 2u);
  EXPECT_TRUE(library->interfaces[1].methods.empty()) << "no events";
  const auto& methods = library->interfaces[0].methods;
  const auto B = VarType::Bstr, U1 = VarType::UI1, U4 = VarType::UI4, None = VarType::Empty;
  const struct {
    const char* name;
    DISPID id;
    std::vector<VarType> params;
    VarType result;
    const char* help;
  } expected[] = {
      {"AboutBox", -552, {}, None, ""},
      {"OcxTest", 1, {}, B, "方法AutoOcxTest"},
      {"TurnOnScanner", 2, {}, B, "方法TurnOnScanner"},
      {"AutoTurnOnScanner", 3, {}, B, "方法AutoTurnOnScanner"},
      {"EnterCard", 4, {B}, U1, "方法EnterCard"},
      {"MoveCard", 5, {B}, U1, "方法MoveCard"},
      {"ReadMagcard", 6, {B}, B, "方法ReadMagcard"},
      {"PrintData", 7, {B}, U1, "方法PrintData"},
      {"GetOcxVersion", 8, {}, B, "方法GetOcxVersion"},
      {"AutoPageLoad", 9, {}, U4, "方法AutoPageLoad"},
      {"AutoPageUnload", 10, {}, U4, "方法AutoPageUnload"},
  };
  ASSERT_EQ(methods.size(), std::size(expected));
  for (std::size_t i = 0; i < methods.size(); ++i) {
    std::vector<VarType> params;
    for (const auto& p : methods[i].params) params.push_back(p.type);
    EXPECT_EQ(methods[i].name, expected[i].name);
    EXPECT_EQ(methods[i].dispid, expected[i].id) << expected[i].name;
    EXPECT_EQ(params, expected[i].params) << expected[i].name;
    EXPECT_EQ(methods[i].result, expected[i].result) << expected[i].name;
    EXPECT_EQ(methods[i].help, expected[i].help) << expected[i].name;
  }
}

TEST_F(ControlObject, BothVersionMethodsAnswer1004) {
  create_control();
  EXPECT_EQ(text(call("OcxTest")), u"1.0.0.4");
  EXPECT_EQ(text(call("GetOcxVersion")), u"1.0.0.4");
}

TEST_F(ControlObject, AboutBoxIsDialogOne) {
  create_control();
  call("AboutBox");
  ASSERT_EQ(site_.dialogs.size(), 1u);
  const auto& dialog = site_.dialogs[0];
  EXPECT_EQ(dialog.caption, "关于 Corvi Control");
  EXPECT_EQ(std::tie(dialog.width, dialog.height, dialog.font_points, dialog.font),
            std::make_tuple(260, 55, 9, std::string("宋体, MS Sans Serif")));
  std::vector<std::string> texts;
  for (const auto& item : dialog.items) texts.push_back(item.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"", "Corvi Control 1.0", "版本 1.0.0.4", "确定"}));
  EXPECT_TRUE(site_.boxes.empty());
}

TEST_F(ControlObject, DrawsAWhiteRectangleWithAnInscribedEllipse) {
  create_control();
  framework::Surface surface(100, 50);
  ComPtr<framework::IViewObject> view;
  ASSERT_EQ(control_->QueryInterface(framework::IViewObject::iid, view.put_void()), S_OK);
  ASSERT_EQ(view->Draw(&surface, {0, 0, 100, 50}), S_OK);
  for (const auto& [x, y] : {std::pair{0, 0}, {99, 0}, {0, 49}, {99, 49}, {50, 25}})
    EXPECT_EQ(surface.pixel(x, y), framework::kWhite) << x << "," << y;
  for (const auto& [x, y] : {std::pair{0, 24}, {99, 25}, {49, 0}, {50, 49}})
    EXPECT_EQ(surface.pixel(x, y), framework::kBlack) << "outline at " << x << "," << y;
}

TEST_F(ControlObject, PersistsOnlyTheVersionAndTheStandardState) {
  create_control();
  ComPtr<framework::IPersistPropertyBag> persist;
  ASSERT_EQ(control_->QueryInterface(framework::IPersistPropertyBag::iid, persist.put_void()),
            S_OK);
  framework::PropertyBag saved;
  ASSERT_EQ(persist->Save(saved), S_OK);
  EXPECT_EQ(saved, (framework::PropertyBag{
                       {"_ExtentX", 100}, {"_ExtentY", 50}, {"_Version", 0x00010000}}));
}

TEST_F(ControlObject, PropertyPageIsCreatable) {
  ComPtr<IClassFactory> factory;
  const Guid page = make_guid("{C84A2F13-7E59-4D06-B1A8-5F3E9C0D2B67}");
  ASSERT_EQ(module_.get_class_object(&page, &IClassFactory::iid, factory.put_void()), S_OK);
  ComPtr<IUnknown> object;
  EXPECT_EQ(factory->CreateInstance(nullptr, IUnknown::iid, object.put_void()), S_OK);
}

std::set<std::string> exported_names() {
  std::set<std::string> names;
  std::FILE* pipe = ::popen(("nm -D --defined-only " + corvi_test::kModule).c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string name(line);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    names.insert(name.substr(name.rfind(' ') + 1));
  }
  ::pclose(pipe);
  return names;
}

TEST(CorviExports, OnlyTheFourModuleFunctions) {
  EXPECT_EQ(exported_names(), (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                                     "DllRegisterServer", "DllUnregisterServer"}));
}

}  // namespace
