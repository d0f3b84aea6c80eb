// Issuer authentication, second GENERATE AC, the final result, issuer script and power-off.
#include <gmock/gmock.h>

#include <string>

#include "kernel_fixture.h"
#include "script.h"

namespace ferro_test {
namespace {

using ::testing::ElementsAre;
using namespace pboc_card;
using ferro::pboc_context;

const Bytes kAmount = hex("00 00 00 00 01 00");
const Bytes kArpc = hex("A1 A2 A3 A4 A5 A6 A7 A8");
const Bytes kScript = hex("84 DA 00 00 01 00");
const Bytes kTc = hex("C1 C2 C3 C4 C5 C6 C7 C8");
// The issuer's answer: a script template 72 holding 9F18, 86 with the script command, then 91.
const std::string kIssuerData =
    to_hex(cat({hex("72 0F 9F 18 04 00 00 00 01"), tlv(hex("86"), kScript),
                tlv(hex("91"), cat({kArpc, hex("30 30")}))}));
constexpr std::size_t kCanary = 16;

class ScriptTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    // The card's second answer carries a new counter; the result keeps the first one.
    card.on(hex("80 AE 40"), ok(tlv(hex("80"), cat({hex("40 00 2B"), kTc, kIad}))));
    result.fill(0xEE);
  }
  void first_gac() {
    unsigned char icc[200];
    int icc_len = 0;
    ASSERT_EQ(pboc_genarqc(kAmount.data(), 0x00, icc, &icc_len), 0);
    field55.assign(icc, icc + icc_len);
    card.commands.clear();
    card.events.clear();
    card.trace.clear();
  }
  int complete(const std::string& issuer_data = kIssuerData) {
    return pboc_arqcexeicscript(issuer_data.c_str(), result.data());
  }
  bool result_untouched() const {
    return std::all_of(result.begin(), result.end(), [](auto b) { return b == 0xEE; });
  }
  Bytes first_gac_data() const {
    return Bytes(pboc_context.first_gac_command.begin() + 5,
                 pboc_context.first_gac_command.begin() + pboc_context.first_gac_command_len);
  }

  Bytes field55;
  std::array<unsigned char, 99 + kCanary> result;
};

TEST_F(ScriptTest, OnlineTransactionCompletes) {
  first_gac();
  ASSERT_EQ(complete(), 0);
  EXPECT_EQ(card.commands,
            (std::vector<Bytes>{cat({hex("00 82 00 00 0A"), kArpc, hex("30 30")}),
                                cat({hex("80 AE 40 00 34"), first_gac_data()}), kScript}));
  EXPECT_THAT(card.events, ElementsAre("apdu", "apdu", "apdu", "poweroff"));
  const Bytes un(pboc_context.unpredictable_number.begin(),
                 pboc_context.unpredictable_number.end());
  const Bytes expected = cat(
      {tlv(hex("9F33"), hex("60 40 E8")), tlv(hex("95"), hex("80 00 04 E8 00")),
       tlv(hex("9F10"), kIad), tlv(hex("9F26"), kTc), tlv(hex("9F36"), kAtc),
       tlv(hex("82"), hex("7C 00")), tlv(hex("9F1A"), hex("01 56")),
       tlv(hex("9A"), hex("21 03 04")), tlv(hex("9F02"), kAmount), tlv(hex("5F2A"), hex("01 56")),
       tlv(hex("9F03"), Bytes(6, 0)), tlv(hex("9F37"), un), tlv(hex("9F27"), hex("40"))});
  ASSERT_EQ(expected.size(), 99u);
  EXPECT_EQ(to_hex(result.data(), 99), to_hex(expected));
  EXPECT_EQ(result[99], 0xEE);
  EXPECT_THAT(trace_texts("callback_poweroff"),
              ElementsAre("Enter callback_poweroff", "callback_poweroff return [0]"));
}

TEST_F(ScriptTest, ResultCounterIsTheOneOfFieldFiftyFive) {
  first_gac();
  ASSERT_EQ(complete(), 0);
  const std::string atc_object = to_hex(tlv(hex("9F36"), kAtc));
  EXPECT_NE(to_hex(field55).find(atc_object), std::string::npos);
  EXPECT_EQ(to_hex(result.data() + 46, 5), atc_object);  // after 9F33, 95, 9F10 and 9F26
}

TEST_F(ScriptTest, CdolTwoBytesLongerSendsTheArcFirst) {
  card.on(read_record(2, 1), cdol_record(kCdol1, cat({hex("8A 02"), kCdol1})), kAid);
  first_gac();
  ASSERT_EQ(complete(), 0);
  EXPECT_EQ(to_hex(card.commands[1]), to_hex(cat({hex("80 AE 40 00 36 30 30"), first_gac_data()})));
}

TEST_F(ScriptTest, UnsupportedCdolRelationsStopAfterExternalAuthenticate) {
  for (const Bytes& cdol2 : {Bytes(kCdol1.begin(), kCdol1.end() - 1), cat({kCdol1, hex("9C")})}) {
    card.on(read_record(2, 1), cdol_record(kCdol1, cdol2), kAid);
    pboc_context = {};
    first_gac();
    EXPECT_EQ(complete(), FERRO_CARD_STATUS);
    EXPECT_THAT(card.events, ElementsAre("apdu"));
    EXPECT_TRUE(result_untouched());
  }
}

struct CardRefusal {
  const char* name;
  Bytes prefix;
  Answer answer;
  int result;
  std::vector<std::string> events;
  bool result_written;
};

class CardRefusalTest : public ScriptTest, public ::testing::WithParamInterface<CardRefusal> {};

TEST_P(CardRefusalTest, StopsAtTheRefusedCommand) {
  first_gac();
  card.on(GetParam().prefix, {GetParam().answer});
  EXPECT_EQ(complete(), GetParam().result);
  EXPECT_EQ(card.events, GetParam().events);
  EXPECT_EQ(result_untouched(), !GetParam().result_written);
  EXPECT_EQ(result[99], 0xEE);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CardRefusalTest,
    ::testing::Values(
        CardRefusal{"authentication_status", hex("00 82"), {hex("63 00")}, 2, {"apdu"}, false},
        CardRefusal{"authentication_transport", hex("00 82"), {{}, -1}, 255, {"apdu"}, false},
        CardRefusal{
            "second_gac_status", hex("80 AE 40"), {hex("69 85")}, 2, {"apdu", "apdu"}, false},
        CardRefusal{"second_gac_transport", hex("80 AE 40"), {{}, 6}, 6, {"apdu", "apdu"}, false},
        CardRefusal{"second_gac_without_cryptogram",
                    hex("80 AE 40"),
                    {ok(hex("80 0B 40 00 2B C1 C2 C3 C4 C5 C6 C7"))},
                    FERRO_BAD_CARD_DATA,
                    {"apdu", "apdu"},
                    false},
        CardRefusal{
            "script_status", hex("84 DA"), {hex("6A 80")}, 2, {"apdu", "apdu", "apdu"}, true},
        CardRefusal{
            "script_transport", hex("84 DA"), {{}, -101}, 155, {"apdu", "apdu", "apdu"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptTest, ShortSecondGenerateAcReplyGivesZerosNotStatusBytes) {
  card.on(hex("80 AE 40"), ok(tlv(hex("80"), cat({hex("40 00 2B"), kTc, hex("01 02")}))));
  first_gac();
  ASSERT_EQ(complete(), 0);
  // 9F10 carries the two IAD bytes the card sent and zeros for the rest.
  EXPECT_EQ(to_hex(result.data() + 13, 22), to_hex(cat({hex("9F 10 13 01 02"), Bytes(17, 0)})));
}

struct IssuerCase {
  const char* name;
  std::string text;
  std::vector<Bytes> commands;  // after EXTERNAL AUTHENTICATE and the second GENERATE AC
  int result;
};

class IssuerDataTest : public ScriptTest, public ::testing::WithParamInterface<IssuerCase> {};

TEST_P(IssuerDataTest, IssuerDataDecidesTheCommands) {
  first_gac();
  EXPECT_EQ(complete(GetParam().text), GetParam().result);
  std::vector<Bytes> after_gac;
  if (card.commands.size() > 2) after_gac.assign(card.commands.begin() + 2, card.commands.end());
  EXPECT_EQ(after_gac, GetParam().commands);
  EXPECT_EQ(card.events.empty() ? "" : card.events.back(),
            GetParam().result == 0 ? "poweroff" : "");
}

const std::string kAuth = to_hex(tlv(hex("91"), cat({kArpc, hex("30 30")})));
const std::string kScriptTlv = to_hex(tlv(hex("86"), kScript));

INSTANTIATE_TEST_SUITE_P(
    Texts, IssuerDataTest,
    ::testing::Values(
        IssuerCase{"lower_case",
                   "8606"
                   "84da00000100"
                   "910a"
                   "a1a2a3a4a5a6a7a83030",
                   {kScript},
                   0},
        IssuerCase{"without_script", kAuth, {}, 0},
        IssuerCase{"script_after_91_not_seen", kAuth + kScriptTlv, {}, 0},
        IssuerCase{"later_86_replaces", "8601AA" + kScriptTlv + kAuth, {kScript}, 0},
        IssuerCase{"odd_length", kIssuerData + "0", {}, FERRO_MISSING_DATA},
        IssuerCase{"without_91", kScriptTlv, {}, FERRO_MISSING_DATA},
        IssuerCase{"91_from_position_30", std::string(60, '0') + kAuth, {}, FERRO_MISSING_DATA},
        IssuerCase{"91_without_arc", "910142", {}, FERRO_MISSING_DATA},
        IssuerCase{"91_past_the_data", "910A0102", {}, FERRO_MISSING_DATA},
        IssuerCase{"empty", "", {}, FERRO_MISSING_DATA},
        IssuerCase{"too_long",
                   kIssuerData + std::string(2050 - kIssuerData.size(), '0'),
                   {},
                   FERRO_BAD_ARGUMENT},
        IssuerCase{
            "longest", kIssuerData + std::string(2048 - kIssuerData.size(), '0'), {kScript}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptTest, NothingIsSentWithoutAFirstGenerateAc) {
  EXPECT_EQ(complete(), FERRO_MISSING_DATA);
  EXPECT_TRUE(card.events.empty());
  EXPECT_TRUE(result_untouched());
}

TEST_F(ScriptTest, PowerOffOutcomeDoesNotChangeTheResult) {
  first_gac();
  card.poweroff_result = -1;
  EXPECT_EQ(complete(), 0);
  EXPECT_EQ(trace_texts("callback_poweroff").back(), "callback_poweroff return [255]");

  pboc_setcallback("pboc_poweroff", nullptr);
  card.trace.clear();
  EXPECT_EQ(complete(), 0);
  EXPECT_THAT(trace_texts("callback_poweroff"),
              ElementsAre("Enter callback_poweroff", "callback_poweroff = null"));
}

TEST_F(ScriptTest, MissingApduCallbackFailsWithThree) {
  first_gac();
  pboc_setcallback("pboc_apdu", nullptr);
  EXPECT_EQ(complete(), FERRO_NO_CALLBACK);
  EXPECT_TRUE(result_untouched());
}

TEST(HexToBytesTest, DecodesPairsAndCountsOtherCharactersAsZero) {
  std::array<std::uint8_t, 4> out{};
  EXPECT_EQ(ferro::hex_to_bytes("0a1BzZ9", out), 0u);
  EXPECT_EQ(out, (std::array<std::uint8_t, 4>{}));
  EXPECT_EQ(ferro::hex_to_bytes("0a1BzZ9G", out), 4u);
  EXPECT_EQ(to_hex(out.data(), 4), "0A1B0090");
  EXPECT_EQ(ferro::hex_to_bytes("0102030405", out), 4u);  // as much as the buffer holds
}

}  // namespace
}  // namespace ferro_test
