#include <gtest/gtest.h>

#include "automation/variant.h"

namespace {

using namespace automation;

TEST(Variant, HoldsEachTypeAndAnswersOnlyForIt) {
  const Variant empty;
  EXPECT_EQ(empty.type(), VarType::Empty);
  const Variant byte(std::uint8_t{0x35});
  EXPECT_EQ(byte.type(), VarType::UI1);
  EXPECT_EQ(byte.ui1(), 0x35);
  EXPECT_EQ(byte.ui4(), 0u);
  const Variant number(std::uint32_t{0xFFFFFFFF});
  EXPECT_EQ(number.ui4(), 0xFFFFFFFFu);
  EXPECT_EQ(number.ui1(), 0);
  EXPECT_EQ(number.bstr(), nullptr);
}

TEST(Variant, CopyOfAStringIsDeepAndClearFreesIt) {
  Variant original;
  ASSERT_EQ(original.set_string(u"1.0.0.4"), S_OK);
  Variant copy(std::uint8_t{1});
  ASSERT_EQ(copy.copy_from(original), S_OK);
  EXPECT_EQ(copy.type(), VarType::Bstr);
  EXPECT_NE(copy.bstr(), original.bstr());
  EXPECT_EQ(bstr_view(copy.bstr()), u"1.0.0.4");
  original.clear();
  EXPECT_EQ(original.type(), VarType::Empty);
  EXPECT_EQ(bstr_view(copy.bstr()), u"1.0.0.4");
  EXPECT_EQ(copy.copy_from(copy), S_OK);
  EXPECT_EQ(bstr_view(copy.bstr()), u"1.0.0.4");
}

TEST(Variant, NullStringStaysAStringThroughCopyAndMove) {
  Variant null_string = Variant::adopt(nullptr);
  Variant copy;
  ASSERT_EQ(copy.copy_from(null_string), S_OK);
  EXPECT_EQ(copy.type(), VarType::Bstr);
  EXPECT_EQ(copy.bstr(), nullptr);
  Variant moved(std::move(copy));
  EXPECT_EQ(moved.type(), VarType::Bstr);
  EXPECT_EQ(copy.type(), VarType::Empty);  // NOLINT(bugprone-use-after-move): moved-from is empty
}

TEST(Variant, MoveAssignmentReleasesTheOldString) {
  Variant target;
  ASSERT_EQ(target.set_string(u"old"), S_OK);
  Variant source;
  ASSERT_EQ(source.set_string(u"new"), S_OK);
  target = std::move(source);
  EXPECT_EQ(bstr_view(target.bstr()), u"new");
  target = Variant(std::uint32_t{7});
  EXPECT_EQ(target.ui4(), 7u);
}

}  // namespace
