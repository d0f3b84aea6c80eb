// Tag search, terminal data for data-object lists, and the unpredictable number.
#include <gmock/gmock.h>

#include <array>

#include "kernel_fixture.h"

namespace ferro_test {
namespace {

using ferro::pboc_context;

struct TagCase {
  const char* name;
  const char* data;
  unsigned tag;
  int result;
  const char* value;
};

class FindTagTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(FindTagTest, ScansBytesForTheFirstOccurrenceThatFits) {
  const TagCase& c = GetParam();
  const Bytes data = hex(c.data);
  std::array<std::uint8_t, 8> value{};
  int value_len = -5;
  EXPECT_EQ(ferro::find_tag(data, c.tag, value, value_len), c.result);
  if (c.result == 0) {
    EXPECT_EQ(to_hex(value.data(), value_len), to_hex(hex(c.value)));
  } else {
    EXPECT_EQ(value_len, -5);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTagTest,
    ::testing::Values(TagCase{"inside_another_value", "9F 10 03 4F 01 AA 4F 01 BB 90 00", 0x4F, 0,
                              "AA"},
                      TagCase{"tag_ff_never", "FF 01 AA", 0xFF, -1, ""},
                      TagCase{"tag_0_never", "00 01 AA", 0x00, -1, ""},
                      TagCase{"tag_ffff_never", "FF FF 01 AA", 0xFFFF, -1, ""},
                      TagCase{"value_past_end_skipped", "4F 05 AA 4F 01 BB", 0x4F, 0, "BB"},
                      TagCase{"value_past_end_only", "4F 05 AA BB", 0x4F, -1, ""},
                      TagCase{"length_byte_missing", "90 00 4F", 0x4F, -1, ""},
                      TagCase{"empty_value", "4F 00 90 00", 0x4F, 0, ""},
                      TagCase{"two_byte_tag", "6F 9F 38 03 01 02 03", 0x9F38, 0, "01 02 03"},
                      TagCase{"two_byte_tag_cut", "9F 38", 0x9F38, -1, ""},
                      TagCase{"long_form_length_is_the_length", "88 81 01", 0x88, -1, ""},
                      TagCase{"value_larger_than_buffer_skipped",
                              "4F 09 00 00 00 00 00 00 00 00 00", 0x4F, -1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

class DolTest : public KernelTest {
 protected:
  std::string dol_data(const char* dol, std::size_t capacity = 1024) {
    std::vector<std::uint8_t> out(capacity, 0xEE);
    int out_len = -1;
    fits = ferro::build_dol_data(hex(dol), out, out_len);
    return to_hex(out.data(), out_len);
  }
  bool fits = false;
};

TEST_F(DolTest, ThePbocPdolGivesThirtyThreeBytes) {
  pboc_context.amount = {0x00, 0x00, 0x00, 0x00, 0x01, 0x00};
  pboc_context.trans_type = 0x60;
  pboc_context.unpredictable_number = {0x01, 0x02, 0x03, 0x04};
  const std::string data =
      dol_data("9F66 04 9F02 06 9F03 06 9F1A 02 95 05 5F2A 02 9A 03 9C 01 9F37 04");
  EXPECT_EQ(data, to_hex(hex("54 00 00 00  00 00 00 00 01 00  00 00 00 00 00 00  01 56 "
                             "80 00 04 E8 00  01 56  21 03 04  60  01 02 03 04")));
  EXPECT_EQ(data.size(), 66u);
  EXPECT_EQ(to_hex(pboc_context.txn_date.data(), 3), "210304");
}

TEST_F(DolTest, LengthsAreServedAsTheTableSays) {
  pboc_context.amount = {0x00, 0x00, 0x00, 0x12, 0x34, 0x56};
  pboc_context.unpredictable_number = {0x0A, 0x0B, 0x0C, 0x0D};
  EXPECT_EQ(dol_data("9F45 02"), "");                                  // unknown tag: nothing
  EXPECT_EQ(dol_data("9F1A 03 5F2A 01 95 02"), "01560156800004E800");  // fixed, whatever L
  EXPECT_EQ(dol_data("9F02 00 9F02 04 9F02 08"),
            "00000012"
            "0000001234560000");
  EXPECT_EQ(dol_data("9F37 02 9F37 06"),
            "0A0B"
            "0A0B0C0D0000");
  EXPECT_EQ(dol_data("9F66 00 9F66 01 9F66 03"),
            "54"
            "54"
            "540000");
  EXPECT_EQ(dol_data("9F03 02 9F4E 03"),
            "0000"
            "000000");
  EXPECT_EQ(dol_data("9F33 01 9F7A 04 DF60 00 DF69 02 8A 01"),
            "20A100"
            "00"
            "00"
            "00"
            "3030");
  EXPECT_EQ(dol_data("9F21 03"), "100503");       // time without a date before it
  EXPECT_EQ(dol_data("9F45 02 9C 05 9F"), "00");  // entries after an unknown one still served
}

TEST_F(DolTest, TimeFollowsTheClockReadingOfTheDateBeforeIt) {
  static int second = 0;
  second = 0;
  ferro::set_environment({[] { return ferro::LocalTime{2021, 12, 31, 23, 59, second++}; },
                          [] { return std::int64_t{0}; }, [](int) {}});
  EXPECT_EQ(dol_data("9A 03 9F21 03"),
            "211231"
            "235900");
  EXPECT_EQ(dol_data("9F21 03 9A 03"),
            "235901"
            "211231");
}

TEST_F(DolTest, DataThatWouldNotFitTheBufferIsRefused) {
  EXPECT_EQ(dol_data("9F4E 60 9F03 05", 100), "");
  EXPECT_FALSE(fits);
  EXPECT_EQ(dol_data("9F4E 60 9F03 04", 100).size(), 200u);
  EXPECT_TRUE(fits);
}

TEST(UnpredictableNumberTest, BytesAreBelowSixteenAndRepeatWithinOneSecond) {
  ferro::set_environment(
      {[] { return ferro::LocalTime{}; }, [] { return std::int64_t{77}; }, [](int) {}});
  std::array<std::uint8_t, 64> first{};
  std::array<std::uint8_t, 64> second{};
  ferro::draw_unpredictable_number(first);
  ferro::draw_unpredictable_number(second);
  ferro::set_environment(ferro::system_environment());
  EXPECT_EQ(first, second);
  for (const std::uint8_t byte : first) EXPECT_LE(byte, 0x0F);
}

TEST(GetTagValueTest, DoesNothing) {
  EXPECT_EQ(pboc_gettagvalue(1, 2, 3), 0);
}

}  // namespace
}  // namespace ferro_test
