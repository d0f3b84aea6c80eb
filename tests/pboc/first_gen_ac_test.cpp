// First GENERATE AC and field 55.
#include <gmock/gmock.h>

#include "kernel_fixture.h"

namespace ferro_test {
namespace {

using namespace pboc_card;
using ferro::pboc_context;

const Bytes kAmount = hex("00 00 00 00 01 00");
constexpr std::size_t kCanary = 16;

class FirstGacTest : public KernelTest {
 protected:
  int genarqc(int trans_type = 0x00) {
    icc.assign(178 + kCanary, 0xEE);
    icc_len = -1;
    return pboc_genarqc(kAmount.data(), trans_type, icc.data(), &icc_len);
  }
  Bytes field55() const { return Bytes(icc.begin(), icc.begin() + icc_len); }
  bool icc_untouched() const {
    return icc_len == -1 && std::all_of(icc.begin(), icc.end(), [](auto b) { return b == 0xEE; });
  }
  // Field 55 as the usual card and the test terminal give it, with the card's IAD.
  Bytes expected_field55(const Bytes& iad, std::uint8_t type) const {
    return cat({tlv(hex("9F26"), kCryptogram), tlv(hex("9F27"), hex("80")), tlv(hex("9F10"), iad),
                tlv(hex("9F37"), Bytes(pboc_context.unpredictable_number.begin(),
                                       pboc_context.unpredictable_number.end())),
                tlv(hex("9F36"), kAtc), tlv(hex("95"), hex("80 00 04 E8 00")),
                tlv(hex("9A"), hex("21 03 04")), tlv(hex("9C"), Bytes{type}),
                tlv(hex("9F02"), kAmount), tlv(hex("5F2A"), hex("01 56")),
                tlv(hex("82"), hex("7C 00")), tlv(hex("9F1A"), hex("01 56")),
                tlv(hex("9F03"), Bytes(6, 0)), tlv(hex("9F33"), hex("60 40 E8")),
                tlv(hex("9F34"), hex("3F 00 00"))});
  }

  Bytes icc;
  int icc_len = 0;
};

TEST_F(FirstGacTest, FieldFiftyFiveHoldsTheFifteenObjects) {
  ASSERT_EQ(genarqc(0x00), 0);
  EXPECT_EQ(icc_len, 108);
  EXPECT_EQ(to_hex(field55()), to_hex(expected_field55(kIad, 0x00)));
  EXPECT_EQ(icc[icc_len], 0xEE);
  for (const std::uint8_t byte : pboc_context.unpredictable_number) EXPECT_LE(byte, 0x0F);
}

TEST_F(FirstGacTest, GenerateAcCarriesTheCdol1DataAndIsKept) {
  ASSERT_EQ(genarqc(0x31), 0);
  const Bytes data = cat(
      {kAmount, Bytes(6, 0), hex("01 56 80 00 04 E8 00 01 56 21 03 04 31"),
       Bytes(pboc_context.unpredictable_number.begin(), pboc_context.unpredictable_number.end()),
       hex("10 05 03"), Bytes(20, 0)});
  const Bytes command = cat({hex("80 AE 80 00 34"), data});
  ASSERT_EQ(card.sent(hex("80 AE")).size(), 1u);
  EXPECT_EQ(to_hex(card.sent(hex("80 AE")).front()), to_hex(command));
  EXPECT_EQ(to_hex(pboc_context.first_gac_command.data(), pboc_context.first_gac_command_len),
            to_hex(command));
  EXPECT_EQ(card.events.back(), "apdu");  // the card stays powered
}

TEST_F(FirstGacTest, EighteenBytesOfIssuerDataGiveOneHundredSeven) {
  const Bytes iad(kIad.begin(), kIad.end() - 1);
  card.on(hex("80 AE 80"), gac_reply(0x80, iad));
  ASSERT_EQ(genarqc(), 0);
  EXPECT_EQ(icc_len, 107);
  EXPECT_EQ(to_hex(field55()), to_hex(expected_field55(iad, 0x00)));
}

TEST_F(FirstGacTest, GetResponseFollows61xx) {
  card.on(hex("80 AE 80"), hex("61 20"));
  card.on(hex("00 C0 00 00 20"), gac_reply(0x80, kIad));
  ASSERT_EQ(genarqc(), 0);
  EXPECT_EQ(to_hex(card.commands.back()), "00C0000020");
  EXPECT_EQ(icc_len, 108);
}

TEST_F(FirstGacTest, CardWithoutCdol1GetsAnEmptyGenerateAc) {
  card.on(read_record(2, 1), ok(hex("70 00")), kAid);
  ASSERT_EQ(genarqc(), 0);
  EXPECT_EQ(to_hex(card.sent(hex("80 AE")).front()), "80AE800000");
}

TEST_F(FirstGacTest, GetDataForTheCardNumberIsWrittenOnceTheStartSucceeded) {
  card.on(hex("80 AE 80"), hex("69 85"));
  unsigned char pan_seq = 0xEE;
  std::array<unsigned char, 36 + kCanary> track2;
  track2.fill(0xEE);
  int track2_len = -1;
  icc.assign(200, 0xEE);
  icc_len = -1;
  EXPECT_EQ(pboc_get55data(0x00, kAmount.data(), &pan_seq, track2.data(), &track2_len, icc.data(),
                           &icc_len),
            FERRO_MISSING_DATA);
  EXPECT_EQ(pan_seq, 0x01);
  EXPECT_EQ(to_hex(track2.data(), track2_len), to_hex(kTrack2));
  EXPECT_EQ(track2[track2_len], 0xEE);
  EXPECT_TRUE(icc_untouched());
}

TEST_F(FirstGacTest, Get55DataHandsOutFieldFiftyFiveAndTheCardNumber) {
  unsigned char pan_seq = 0;
  unsigned char track2[64];
  int track2_len = 0;
  icc.assign(200, 0xEE);
  ASSERT_EQ(
      pboc_get55data(0x0130, kAmount.data(), &pan_seq, track2, &track2_len, icc.data(), &icc_len),
      0);
  EXPECT_EQ(to_hex(field55()), to_hex(expected_field55(kIad, 0x30)));  // low byte of the type
  EXPECT_EQ(to_hex(track2, track2_len), to_hex(kTrack2));
}

struct GacFailure {
  const char* name;
  Answer answer;
  int result;
};

class GacFailureTest : public FirstGacTest, public ::testing::WithParamInterface<GacFailure> {};

TEST_P(GacFailureTest, FailsWithoutWritingFieldFiftyFive) {
  card.on(hex("80 AE 80"), {GetParam().answer});
  EXPECT_EQ(genarqc(), GetParam().result);
  EXPECT_TRUE(icc_untouched());
  EXPECT_EQ(pboc_context.first_gac_command_len, 0);
}

Bytes value_of_length(std::size_t n) {
  return ok(tlv(hex("80"), Bytes(n, 0x11)));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, GacFailureTest,
    ::testing::Values(
        GacFailure{"status", {hex("69 85")}, FERRO_MISSING_DATA},
        GacFailure{"transport", {{}, -101}, 155},
        GacFailure{"nineteen_bytes", {value_of_length(15)}, FERRO_MISSING_DATA},
        GacFailure{"without_80", {ok(cat({hex("77 12"), Bytes(18, 0x11)}))}, FERRO_MISSING_DATA},
        GacFailure{"value_of_10",
                   {ok(cat({tlv(hex("80"), Bytes(10, 0x11)), Bytes(10, 0x22)}))},
                   FERRO_BAD_CARD_DATA},
        GacFailure{"value_of_0", {ok(cat({hex("80 00"), Bytes(20, 0x11)}))}, FERRO_BAD_CARD_DATA},
        GacFailure{"value_over_100", {value_of_length(101)}, FERRO_MISSING_DATA},
        GacFailure{"value_past_reply",
                   {cat({hex("80 40"), Bytes(20, 0x11), hex("90 00")})},
                   FERRO_MISSING_DATA}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirstGacTest, IssuerDataUpToTheBufferGivesTheLargestFieldFiftyFive) {
  card.on(hex("80 AE 80"), value_of_length(100));
  ASSERT_EQ(genarqc(), 0);
  EXPECT_EQ(icc_len, 178);
  EXPECT_EQ(icc[178], 0xEE);
}

TEST_F(FirstGacTest, Cdol1DataLargerThanTheCommandBufferIsNeverSent) {
  const Bytes cdol1 =
      hex("9F4E 64 9F4E 64 9F02 06 9F02 06 9F02 06 9F02 06 9F02 06 9F02 06 9F02 06");
  card.on(read_record(2, 1), cdol_record(cdol1, cdol1), kAid);
  EXPECT_EQ(genarqc(), FERRO_BAD_CARD_DATA);
  EXPECT_TRUE(card.sent(hex("80 AE")).empty());
  EXPECT_TRUE(icc_untouched());
}

}  // namespace
}  // namespace ferro_test
