#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "automation/bstr.h"
#include "automation/charset.h"

namespace {

using namespace automation;

const std::u16string kNoCard = u"\u65E0\u5361";  // "无卡"
const std::string kNoCardGbk = "\xCE\xDE\xBF\xA8";
const std::string kNoCardUtf8 = "\xE6\x97\xA0\xE5\x8D\xA1";

TEST(AutomationString, KeepsLengthZerosAndTerminator) {
  UniqueBstr text(SysAllocString(kNoCard.c_str()));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text.get()), 2u);
  EXPECT_EQ(bstr_view(text.get()), kNoCard);
  EXPECT_EQ(text.get()[2], u'\0');

  UniqueBstr with_zero(SysAllocStringLen(u"a\0b", 3));
  EXPECT_EQ(bstr_view(with_zero.get()), std::u16string_view(u"a\0b", 3));

  UniqueBstr blank(SysAllocStringLen(nullptr, 4));
  EXPECT_EQ(bstr_view(blank.get()), std::u16string(4, u'\0'));

  UniqueBstr empty(SysAllocString(u""));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty.get()), 0u);
}

TEST(AutomationString, NullIsTheEmptyString) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_TRUE(bstr_view(nullptr).empty());
  SysFreeString(nullptr);
}

TEST(AutomationString, RefusesALengthItCannotStore) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Charset, ConvertsBothWaysInANamedCharset) {
  EXPECT_EQ(to_charset(kNoCard, "GBK"), kNoCardGbk);
  EXPECT_EQ(from_charset(kNoCardGbk, "GBK"), kNoCard);
  EXPECT_EQ(to_charset(u"COM1", "GBK"), "COM1");
  EXPECT_EQ(to_charset(u"", "GBK"), "");
  const std::u16string long_text(5000, u'\u5361');
  EXPECT_EQ(from_charset(*to_charset(long_text, "UTF-8"), "UTF-8"), long_text);
}

TEST(Charset, FailsRatherThanGuess) {
  EXPECT_EQ(to_charset(kNoCard, "ISO-8859-1"), std::nullopt);  // not representable
  EXPECT_EQ(to_charset(u"\xD800", "UTF-8"), std::nullopt);     // lone surrogate
  EXPECT_EQ(from_charset("\xCE", "GBK"), std::nullopt);        // cut in the middle
  EXPECT_EQ(from_charset("\xFF\xFF", "UTF-8"), std::nullopt);
  EXPECT_EQ(to_charset(u"x", "NO-SUCH-CHARSET"), std::nullopt);
}

TEST(Charset, WithoutALocaleTheCharsetIsUtf8) {
  ASSERT_STREQ(::setlocale(LC_ALL, nullptr), "C");
  EXPECT_EQ(locale_charset(), "UTF-8");
  EXPECT_EQ(to_locale_charset(kNoCard), kNoCardUtf8);
  EXPECT_EQ(from_locale_charset(kNoCardUtf8), kNoCard);
}

// The thread's own locale decides; a Chinese GBK locale is built for the test when the system
// has the locale sources.
class GbkLocale : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    locale_ = ::newlocale(LC_ALL_MASK, "zh_CN.GBK", nullptr);
    if (locale_ != nullptr) return;
    dir_ = std::filesystem::temp_directory_path() / ("gbk-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    const std::string command =
        "localedef -i zh_CN -f GBK " + (dir_ / "zh_CN.GBK").string() + " >/dev/null 2>&1";
    (void)std::system(command.c_str());
    ::setenv("LOCPATH", dir_.c_str(), 1);
#if defined(__SANITIZE_ADDRESS__)
    // The C library keeps its parsed copy of LOCPATH for good: not a leak of ours.
    const __lsan::ScopedDisabler libc_keeps_locpath;
#endif
    locale_ = ::newlocale(LC_ALL_MASK, "zh_CN.GBK", nullptr);
  }
  static void TearDownTestSuite() {
    if (locale_ != nullptr) ::freelocale(locale_);
    ::unsetenv("LOCPATH");
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  void SetUp() override {
    if (locale_ == nullptr) GTEST_SKIP() << "no zh_CN.GBK locale and no locale sources to build it";
  }

  static inline locale_t locale_ = nullptr;
  static inline std::filesystem::path dir_;
};

TEST_F(GbkLocale, ConvertsInTheThreadsLocale) {
  const locale_t previous = ::uselocale(locale_);
  EXPECT_EQ(locale_charset(), "GBK");
  EXPECT_EQ(to_locale_charset(kNoCard), kNoCardGbk);
  EXPECT_EQ(from_locale_charset(kNoCardGbk), kNoCard);
  ::uselocale(previous);
  EXPECT_EQ(locale_charset(), "UTF-8");
}

}  // namespace
