// The host side against a real module: registration, create by ProgID, dispatch across the
// module boundary, message boxes and dialogs through the host's site, drawing, persistence.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "automation/class_factory.h"
#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "framework/ole_interfaces.h"
#include "registry/store.h"
#include "temp_registry.h"
#include "test_control_ids.h"

namespace {

using namespace automation;
using namespace framework;

const std::string kModule = std::filesystem::canonical(TEST_CONTROL_MODULE).string();

class RecordingSite : public IClientSite {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     std::uint32_t style) override {
    boxes.emplace_back(text, caption, style);
    return answer;
  }
  int ShowDialog(const DialogTemplate& dialog) override {
    dialogs.push_back(&dialog);
    return answer;
  }
  std::vector<std::tuple<std::string, std::string, std::uint32_t>> boxes;
  std::vector<const DialogTemplate*> dialogs;
  int answer = IDOK;
};

class ControlModule : public TempRegistry {
 protected:
  void SetUp() override {
    TempRegistry::SetUp();
    std::string why;
    ASSERT_EQ(load_module(kModule, &module_, &why), S_OK) << why;
  }
  void TearDown() override {
    EXPECT_EQ(module_.can_unload_now(), S_OK) << "an object or lock outlived its test";
    TempRegistry::TearDown();
  }

  registry::Key stored() const {
    registry::Key root;
    EXPECT_TRUE(registry::Store(registry_).read(root).ok());
    return root;
  }

  ComPtr<IDispatch> create_control() {
    EXPECT_EQ(module_.register_server(), S_OK);
    ComPtr<IDispatch> control;
    std::string why;
    EXPECT_EQ(create_by_prog_id(test_ids::kProgId, IDispatch::iid, control.put_void(), &why), S_OK)
        << why;
    return control;
  }

  template <class I>
  ComPtr<I> query(IUnknown* object) {
    ComPtr<I> result;
    EXPECT_EQ(object->QueryInterface(I::iid, result.put_void()), S_OK);
    return result;
  }

  Variant call(IDispatch* control, const char* name, std::vector<Variant> args = {}) {
    DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(name, &id), S_OK) << name;
    Variant result;
    EXPECT_EQ(control->Invoke(id, args, &result), S_OK) << name;
    return result;
  }

  static std::vector<Variant> text_arg(std::u16string_view text) {
    std::vector<Variant> args(1);
    EXPECT_EQ(args[0].set_string(text), S_OK);
    return args;
  }

  ModuleEntryPoints module_{};
};

TEST_F(ControlModule, RegisterWritesClassesAndTypeLibrary) {
  ASSERT_EQ(module_.register_server(), S_OK);
  const auto root = stored();
  const std::string clsid = "CLSID\\" + to_string(test_ids::kClsid);
  const std::string page = "CLSID\\" + to_string(test_ids::kPageClsid);
  const struct {
    std::string path, name, value;
  } expected[] = {
      {test_ids::kProgId, "", "Test Control"},
      {std::string(test_ids::kProgId) + "\\CLSID", "", to_string(test_ids::kClsid)},
      {clsid, "", "Test Control"},
      {clsid + "\\ProgID", "", test_ids::kProgId},
      {clsid + "\\InprocServer32", "", kModule},
      {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {clsid + "\\MiscStatus\\1", "", "131473"},
      {clsid + "\\ToolboxBitmap32", "", kModule + ", 1"},
      {clsid + "\\TypeLib", "", to_string(test_ids::kLibid)},
      {clsid + "\\Version", "", "1.0"},
      {std::string(test_ids::kPageProgId) + "\\CLSID", "", to_string(test_ids::kPageClsid)},
      {page + "\\InprocServer32", "", kModule},
      {"TypeLib\\" + to_string(test_ids::kLibid) + "\\1.0", "", "Test Control 模块"},
      {"TypeLib\\" + to_string(test_ids::kLibid) + "\\1.0\\409\\linux", "", kModule},
      {"Interface\\" + to_string(test_ids::kDispatchIid), "", "_DTestCtrl"},
      {"Interface\\" + to_string(test_ids::kEventsIid) + "\\TypeLib", "Version", "1.0"},
  };
  for (const auto& e : expected) {
    const std::string* value = root.find_string(e.path, e.name);
    ASSERT_NE(value, nullptr) << e.path << " " << e.name;
    EXPECT_EQ(*value, e.value) << e.path << " " << e.name;
  }
  EXPECT_NE(root.find(clsid + "\\Control"), nullptr);
  EXPECT_EQ(root.find(page + "\\Control"), nullptr);
}

TEST_F(ControlModule, UnregisterRemovesWhatItWroteAndKeepsTheRest) {
  ASSERT_TRUE(registry::Store(registry_)
                  .update([](registry::Key& root) {
                    root.create("Component Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}");
                    root.create("Other.Class.1\\CLSID")->set("", std::string("{0}"));
                  })
                  .ok());
  ASSERT_EQ(module_.register_server(), S_OK);
  ASSERT_EQ(module_.unregister_server(), S_OK);
  const auto root = stored();
  for (const std::string& gone :
       {std::string(test_ids::kProgId), std::string(test_ids::kPageProgId),
        "CLSID\\" + to_string(test_ids::kClsid), "CLSID\\" + to_string(test_ids::kPageClsid),
        "TypeLib\\" + to_string(test_ids::kLibid),
        "Interface\\" + to_string(test_ids::kDispatchIid)}) {
    EXPECT_EQ(root.find(gone), nullptr) << gone;
  }
  EXPECT_NE(root.find("Component Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"), nullptr);
  EXPECT_NE(root.find("Other.Class.1"), nullptr);

  ComPtr<IDispatch> control;
  EXPECT_EQ(create_by_prog_id(test_ids::kProgId, IDispatch::iid, control.put_void()),
            REGDB_E_CLASSNOTREG);
}

TEST_F(ControlModule, UnwritableRegistryFailsRegistrationAndWritesNothing) {
  std::ofstream(dir_ / "file") << "x";
  ::setenv("CORVI_REGISTRY", (dir_ / "file" / "registry.reg").c_str(), 1);
  EXPECT_EQ(module_.register_server(), SELFREG_E_TYPELIB);
  EXPECT_EQ(module_.unregister_server(), SELFREG_E_TYPELIB);
  const auto why = registry::Store::at_default_location().check_writable();
  EXPECT_NE(why.error.find("cannot create the registry folder"), std::string::npos) << why.error;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                          std::filesystem::directory_iterator{}),
            1);
}

TEST_F(ControlModule, CreatedByProgIdAndCalledByName) {
  ComPtr<IDispatch> control = create_control();
  ASSERT_TRUE(control);
  EXPECT_EQ(bstr_view(call(control.get(), "echo", text_arg(u"无卡")).bstr()), u"无卡");

  const TypeLibrary* library = nullptr;
  ASSERT_EQ(control->GetTypeLib(&library), S_OK);
  EXPECT_NE(describe(*library).find("[id(1)] BSTR Echo(BSTR text)"), std::string::npos);

  ComPtr<IDispatch> by_dispinterface;
  ASSERT_EQ(control->QueryInterface(test_ids::kDispatchIid, by_dispinterface.put_void()), S_OK);
  EXPECT_EQ(by_dispinterface.get(), control.get());
  EXPECT_EQ(module_.can_unload_now(), S_FALSE);
}

TEST_F(ControlModule, MessageBoxesAndDialogsGoToTheHostsSite) {
  ComPtr<IDispatch> control = create_control();
  RecordingSite site;
  site.answer = IDCANCEL;
  ASSERT_EQ(query<IOleObject>(control.get())->SetClientSite(&site), S_OK);

  EXPECT_EQ(call(control.get(), "Warn", text_arg(u"打开打印机失败")).ui1(), IDCANCEL);
  ASSERT_EQ(site.boxes.size(), 1u);
  EXPECT_EQ(site.boxes[0],
            std::make_tuple(std::string("打开打印机失败"), std::string("TestControl"), MB_OK));

  call(control.get(), "AboutBox");
  ASSERT_EQ(site.dialogs.size(), 1u);
  EXPECT_EQ(site.dialogs[0]->caption, "关于 Test Control");
  EXPECT_EQ(site.dialogs[0]->items.back().text, "确定");
}

TEST_F(ControlModule, WithoutASiteMessagesGoToStderrAndAnswerOk) {
  ComPtr<IDispatch> control = create_control();
  ::testing::internal::CaptureStderr();
  const auto answer = call(control.get(), "Warn", text_arg(u"打开扫描枪失败")).ui1();
  call(control.get(), "AboutBox");
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(printed,
            "[TestControl] 打开扫描枪失败\n[关于 Test Control]\n  Test Control 1.0\n  确定\n");
}

TEST_F(ControlModule, DrawsAWhiteRectangleWithAnInscribedEllipse) {
  ComPtr<IDispatch> control = create_control();
  Surface surface(120, 60);
  ASSERT_EQ(query<IViewObject>(control.get())->Draw(&surface, {10, 5, 110, 55}), S_OK);
  auto at = [&](int x, int y) { return surface.pixel(10 + x, 5 + y); };
  EXPECT_EQ(surface.pixel(0, 0), kBlack) << "outside the bounds: untouched";
  EXPECT_EQ(surface.pixel(110, 30), kBlack);
  for (const auto& [x, y] : {std::pair{0, 0}, {99, 0}, {0, 49}, {99, 49}, {50, 25}, {20, 25}}) {
    EXPECT_EQ(at(x, y), kWhite) << x << "," << y;
  }
  for (const auto& [x, y] : {std::pair{0, 24}, {99, 25}, {49, 0}, {50, 49}}) {
    EXPECT_EQ(at(x, y), kBlack) << x << "," << y;
  }
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(at(x, y), at(99 - x, y)) << x << "," << y;
      ASSERT_EQ(at(x, y), at(x, 49 - y)) << x << "," << y;
    }
  }
  EXPECT_EQ(query<IViewObject>(control.get())->Draw(nullptr, {0, 0, 1, 1}), E_INVALIDARG);
}

TEST_F(ControlModule, PersistsItsVersionAndStandardState) {
  ComPtr<IDispatch> control = create_control();
  auto persist = query<IPersistPropertyBag>(control.get());
  PropertyBag saved;
  ASSERT_EQ(persist->Save(saved), S_OK);
  EXPECT_EQ(saved, (PropertyBag{{"_ExtentX", 100}, {"_ExtentY", 50}, {"_Version", 0x00010000}}));

  ASSERT_EQ(persist->Load({{"_Version", 0x00000005}, {"_ExtentX", 300}}), S_OK);
  saved.clear();
  ASSERT_EQ(persist->Save(saved), S_OK);
  EXPECT_EQ(saved, (PropertyBag{{"_ExtentX", 300}, {"_ExtentY", 50}, {"_Version", 0x00010000}}))
      << "an older version is converted on save";

  ASSERT_EQ(persist->InitNew(), S_OK);
  saved.clear();
  ASSERT_EQ(persist->Save(saved), S_OK);
  EXPECT_EQ(saved["_ExtentX"], 100u);
}

TEST_F(ControlModule, ClassObjectRulesAndServerLocks) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(module_.get_class_object(&test_ids::kClsid, &IClassFactory::iid, factory.put_void()),
            S_OK);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(factory.get(), IUnknown::iid, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IClassFactory::iid, &object), E_NOINTERFACE);
  EXPECT_EQ(module_.can_unload_now(), S_OK) << "the refused object was freed";

  EXPECT_EQ(factory->LockServer(false), E_FAIL);
  EXPECT_EQ(factory->LockServer(true), S_OK);
  EXPECT_EQ(module_.can_unload_now(), S_FALSE);
  EXPECT_EQ(factory->LockServer(false), S_OK);

  ComPtr<IUnknown> page;
  ComPtr<IClassFactory> page_factory;
  ASSERT_EQ(
      module_.get_class_object(&test_ids::kPageClsid, &IClassFactory::iid, page_factory.put_void()),
      S_OK);
  ASSERT_EQ(page_factory->CreateInstance(nullptr, IUnknown::iid, page.put_void()), S_OK);
  EXPECT_EQ(module_.can_unload_now(), S_FALSE);
  page.reset();

  constexpr Guid kUnknownClass = make_guid("{00000000-1111-2222-3333-444444444444}");
  EXPECT_EQ(module_.get_class_object(&kUnknownClass, &IClassFactory::iid, &object),
            CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(ControlModule, CreationFailuresSayWhy) {
  ComPtr<IDispatch> control;
  std::string why;
  EXPECT_EQ(create_by_prog_id("No.Such.1", IDispatch::iid, control.put_void(), &why),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(why, "No.Such.1\\CLSID is not registered");

  ASSERT_TRUE(registry::Store(registry_)
                  .update([](registry::Key& root) {
                    root.create("Gone.1\\CLSID")->set("", to_string(test_ids::kClsid));
                    root.create("CLSID\\" + to_string(test_ids::kClsid) + "\\InprocServer32")
                        ->set("", std::string("/nonexistent/libGone.so"));
                  })
                  .ok());
  EXPECT_EQ(create_by_prog_id("Gone.1", IDispatch::iid, control.put_void(), &why),
            CO_E_DLLNOTFOUND);
  EXPECT_NE(why.find("/nonexistent/libGone.so"), std::string::npos) << why;

  ModuleEntryPoints entry_points{};
  EXPECT_EQ(load_module("libc.so.6", &entry_points, &why), CO_E_ERRORINDLL);

  std::ofstream(registry_) << "garbage\n";
  EXPECT_EQ(create_by_prog_id("Gone.1", IDispatch::iid, control.put_void(), &why),
            REGDB_E_READREGDB);
  EXPECT_NE(why.find("is corrupt: line 1"), std::string::npos) << why;
}

}  // namespace
