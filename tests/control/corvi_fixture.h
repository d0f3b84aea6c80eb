// The control as a host meets it: libCorvi.so registered in a registry of the test's own and
// created by its ProgID, with a client site that records message boxes and dialogs, and the
// stand-in printer library's folder (spool, scan queue, call log) in the test's folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "framework/ole_interfaces.h"

namespace corvi_test {

inline const std::string kModule = std::filesystem::canonical(CORVI_MODULE_PATH).string();

class RecordingSite : public framework::IClientSite {
 public:
  using Box = std::tuple<std::string, std::string, std::uint32_t>;  // text, caption, style
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     std::uint32_t style) override {
    boxes.emplace_back(text, caption, style);
    return framework::IDOK;
  }
  int ShowDialog(const framework::DialogTemplate& dialog) override {
    dialogs.push_back(dialog);
    return framework::IDOK;
  }
  std::vector<Box> boxes;
  std::vector<framework::DialogTemplate> dialogs;
};

class CorviFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvi-test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    registry_ = (dir_ / "registry.reg").string();
    ::setenv("CORVI_REGISTRY", registry_.c_str(), 1);
    ::setenv("RKPRINTER_DIR", (dir_ / "printer").c_str(), 1);
    for (const char* name : {"RKPRINTER_FAIL", "RKPRINTER_ENUM", "RKPRINTER_NAME"})
      ::unsetenv(name);
    std::string why;
    ASSERT_EQ(automation::load_module(kModule, &module_, &why), automation::S_OK) << why;
  }
  void TearDown() override {
    control_.reset();
    EXPECT_EQ(module_.can_unload_now(), automation::S_OK) << "an object outlived its test";
    ::unsetenv("CORVI_REGISTRY");
    ::unsetenv("RKPRINTER_DIR");
    std::filesystem::remove_all(dir_);
  }

  // Registers the module and creates the control, with the recording site.
  void create_control() {
    ASSERT_EQ(module_.register_server(), automation::S_OK);
    std::string why;
    ASSERT_EQ(automation::create_by_prog_id("Corvi.CorviCtrl.1", automation::IDispatch::iid,
                                            control_.put_void(), &why),
              automation::S_OK)
        << why;
    automation::ComPtr<framework::IOleObject> ole;
    ASSERT_EQ(control_->QueryInterface(framework::IOleObject::iid, ole.put_void()),
              automation::S_OK);
    ASSERT_EQ(ole->SetClientSite(&site_), automation::S_OK);
  }

  automation::Variant call(const char* method, std::vector<automation::Variant> args = {}) {
    automation::DISPID id = 0;
    EXPECT_EQ(control_->GetIDsOfNames(method, &id), automation::S_OK) << method;
    automation::Variant result;
    EXPECT_EQ(control_->Invoke(id, args, &result), automation::S_OK) << method;
    return result;
  }

  static std::vector<automation::Variant> text_arg(std::u16string_view text) {
    std::vector<automation::Variant> args(1);
    EXPECT_EQ(args[0].set_string(text), automation::S_OK);
    return args;
  }

  // A string result; nothing for the null string.
  static std::optional<std::u16string> text(const automation::Variant& result) {
    EXPECT_EQ(result.type(), automation::VarType::Bstr);
    if (result.bstr() == nullptr) return std::nullopt;
    return std::u16string(automation::bstr_view(result.bstr()));
  }

  std::filesystem::path dir_;
  std::string registry_;
  automation::ModuleEntryPoints module_{};
  RecordingSite site_;
  automation::ComPtr<automation::IDispatch> control_;  // released before the site goes
};

}  // namespace corvi_test
