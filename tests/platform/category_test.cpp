#include <gtest/gtest.h>

#include "automation/category_manager.h"
#include "registry/store.h"
#include "temp_registry.h"

namespace {

using namespace automation;

constexpr Guid kScriptable = make_guid("{7DD95801-9882-11CF-9FA9-00AA006C42C4}");
constexpr Guid kInitializable = make_guid("{7DD95802-9882-11CF-9FA9-00AA006C42C4}");
constexpr Guid kClsid = make_guid("{3A7C1E52-6B90-4F1D-A2C4-7E0D95B3F618}");

class Categories : public TempRegistry {
 protected:
  registry::Key stored() {
    registry::Key root;
    EXPECT_TRUE(registry::Store(registry_).read(root).ok());
    return root;
  }
};

TEST_F(Categories, DescriptionIsStoredExactlyUnderItsLocale) {
  const CategoryInfo categories[] = {
      {kScriptable, 0x409, "Controls   that   are   safely   scriptable "},
      {kInitializable, 0x804, "安全初始化"},
  };
  ASSERT_EQ(category_manager().RegisterCategories(categories), S_OK);
  const auto root = stored();
  const auto* scriptable =
      root.find_string("Component Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}", "409");
  ASSERT_NE(scriptable, nullptr);
  EXPECT_EQ(*scriptable, "Controls   that   are   safely   scriptable ");
  EXPECT_EQ(*root.find_string("Component Categories\\" + to_string(kInitializable), "804"),
            "安全初始化");
}

TEST_F(Categories, LongDescriptionKeepsItsFirst127Characters) {
  const std::string ascii(130, 'a');
  std::string wide;
  for (int i = 0; i < 130; ++i) wide += "控";
  const CategoryInfo categories[] = {{kScriptable, 0x409, ascii}, {kInitializable, 0x409, wide}};
  ASSERT_EQ(category_manager().RegisterCategories(categories), S_OK);
  const auto root = stored();
  EXPECT_EQ(*root.find_string("Component Categories\\" + to_string(kScriptable), "409"),
            ascii.substr(0, 127));
  EXPECT_EQ(*root.find_string("Component Categories\\" + to_string(kInitializable), "409"),
            wide.substr(0, 127 * 3));
}

TEST_F(Categories, ClassMembershipComesAndGoesCategoriesStay) {
  const CategoryInfo info[] = {{kScriptable, 0x409, "scriptable"}};
  ASSERT_EQ(category_manager().RegisterCategories(info), S_OK);
  const Guid both[] = {kScriptable, kInitializable};
  ASSERT_EQ(category_manager().RegisterClassImplCategories(kClsid, both), S_OK);
  const std::string implemented = "CLSID\\" + to_string(kClsid) + "\\Implemented Categories";
  EXPECT_EQ(stored().find(implemented)->subkeys().size(), 2u);

  ASSERT_EQ(category_manager().UnRegisterClassImplCategories(kClsid, std::span(both, 1)), S_OK);
  EXPECT_NE(stored().find(implemented + "\\" + to_string(kInitializable)), nullptr);
  EXPECT_EQ(stored().find(implemented + "\\" + to_string(kScriptable)), nullptr);
  ASSERT_EQ(category_manager().UnRegisterClassImplCategories(kClsid, std::span(both + 1, 1)), S_OK);
  EXPECT_EQ(stored().find(implemented), nullptr);
  EXPECT_NE(stored().find("Component Categories\\" + to_string(kScriptable)), nullptr);
}

TEST_F(Categories, UnwritableRegistryFails) {
  std::ofstream(dir_ / "file") << "x";
  ::setenv("CORVI_REGISTRY", (dir_ / "file" / "registry.reg").c_str(), 1);
  const CategoryInfo info[] = {{kScriptable, 0x409, "scriptable"}};
  EXPECT_EQ(category_manager().RegisterCategories(info), E_FAIL);
  EXPECT_EQ(category_manager().RegisterClassImplCategories(kClsid, std::span(&kScriptable, 1)),
            E_FAIL);
}

}  // namespace
