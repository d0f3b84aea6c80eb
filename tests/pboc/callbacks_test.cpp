// Callback registration, the transport steps' trace lines, missing and failing callbacks.
#include <string>

#include <gmock/gmock.h>

#include "kernel_fixture.h"

namespace ferro_test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

std::string registration_line(const std::string& name) {
  return "lpszCallBackName [" + name + "], Dll Version = [Ferro v201901151722]";
}

class CallbackTest : public KernelTest {
 protected:
  int read_card_number() {
    int length = 0;
    unsigned char track2[64];
    return pboc_readiccardNum(&length, track2);
  }
};

TEST_F(CallbackTest, RegistrationTracesEachCallWithTheLogCallbackThenRegistered) {
  TearDown();  // a process that has registered nothing yet
  card.trace.clear();
  card.install();
  card.install();

  std::vector<std::string> expected;
  for (const char* name : {"pboc_poweron", "pboc_poweroff", "pboc_apdu", "pboc_writelog",
                           "pboc_poweron", "pboc_poweroff", "pboc_apdu"}) {
    expected.push_back(registration_line(name));
  }
  EXPECT_EQ(trace_texts("pboc_setcallback"), expected);
  EXPECT_EQ(card.trace.size(), expected.size());
  for (const TraceLine& line : card.trace) EXPECT_EQ(line.level, FERRO_LOG_TRACE);
}

TEST_F(CallbackTest, UnknownNamesReturnOneAndLeaveTheTableAlone) {
  for (const char* name : {"pboc_APDU", "pboc_apdu ", "pboc_", "", "pboc_writelog\n"}) {
    EXPECT_EQ(pboc_setcallback(name, nullptr), 1) << name;
  }
  EXPECT_EQ(pboc_setcallback(nullptr, nullptr), 1);
  // Still traced, before the name is looked at.
  EXPECT_EQ(trace_texts().front(), registration_line("pboc_APDU"));
  EXPECT_EQ(trace_texts().back(), registration_line("(null)"));
  EXPECT_EQ(read_card_number(), 0);
}

TEST_F(CallbackTest, KnownNamesReturnZeroAndANullPointerEmptiesTheSlot) {
  EXPECT_EQ(pboc_setcallback("pboc_apdu", nullptr), 0);
  EXPECT_EQ(read_card_number(), FERRO_NO_CALLBACK);
  EXPECT_EQ(pboc_setcallback("pboc_apdu", reinterpret_cast<void*>(&TestCard::apdu)), 0);
  EXPECT_EQ(read_card_number(), 0);
}

TEST_F(CallbackTest, ApduExchangeTracesCommandAndReply) {
  ASSERT_EQ(read_card_number(), 0);
  const auto texts = trace_texts();
  ASSERT_GE(texts.size(), 5u);
  EXPECT_EQ(texts[0], "Enter callback_poweron");
  EXPECT_EQ(texts[1], "callback_poweron return 0: Recvlen = [4], Recv Atr: [3B021450]");
  EXPECT_EQ(texts[2],
            "callback_apdu: sendlen = [19], Send Apdu: [00A404000E315041592E5359532E4444463031]");
  EXPECT_EQ(texts[3],
            "callback_apdu return 0: recvlen = [25], "
            "Recv Apdu: [6F15840E315041592E5359532E4444463031A5038801019000]");
  EXPECT_EQ(card.trace[0].func, "callback_poweron");
  EXPECT_EQ(card.trace[2].func, "callback_apdu");
}

TEST_F(CallbackTest, EmptyReplyIsTracedWithEmptyBrackets) {
  card.on(pboc_card::select_command(text_bytes("1PAY.SYS.DDF01")), Bytes{});
  EXPECT_EQ(read_card_number(), FERRO_CARD_STATUS);
  EXPECT_EQ(trace_texts("callback_apdu")[1],
            "callback_apdu return 0: recvlen = [0], Recv Apdu: []");
}

TEST_F(CallbackTest, TraceTextLongerThanTheBufferIsCutAtAWholeByteAndMarked) {
  card.on(pboc_card::select_command(text_bytes("1PAY.SYS.DDF01")), Bytes(1024, 0xAB));
  EXPECT_EQ(read_card_number(), FERRO_CARD_STATUS);
  const std::string reply_line = trace_texts("callback_apdu")[1];
  EXPECT_LE(reply_line.size(), 1023u);
  EXPECT_THAT(reply_line, StartsWith("callback_apdu return 0: recvlen = [1024], Recv Apdu: [ABAB"));
  EXPECT_EQ(reply_line.substr(reply_line.size() - 5), "AB...");
}

TEST_F(CallbackTest, ReplyLengthBeyondTheBufferIsKeptWithinIt) {
  for (const int reported : {5000, -7}) {
    card.on(pboc_card::select_command(text_bytes("1PAY.SYS.DDF01")),
            {Answer{hex("90 00"), 0, reported}});
    card.trace.clear();
    EXPECT_EQ(read_card_number(), FERRO_CARD_STATUS) << reported;
    EXPECT_THAT(trace_texts("callback_apdu")[1],
                StartsWith("callback_apdu return 0: recvlen = [" + std::to_string(reported) + "]"));
  }
}

TEST_F(CallbackTest, MissingPowerOnFailsWithThreeAndAnErrorLine) {
  pboc_setcallback("pboc_poweron", nullptr);
  card.trace.clear();
  EXPECT_EQ(read_card_number(), FERRO_NO_CALLBACK);
  EXPECT_THAT(trace_texts(), ElementsAre("Enter callback_poweron", "callback_poweron = null"));
  EXPECT_EQ(card.trace[1].func, "callback_poweron");
  EXPECT_EQ(card.trace[1].level, FERRO_LOG_ERROR);
  EXPECT_TRUE(card.commands.empty());
}

TEST_F(CallbackTest, MissingApduStillTracesTheCommandItWouldHaveSent) {
  pboc_setcallback("pboc_apdu", nullptr);
  card.trace.clear();
  EXPECT_EQ(read_card_number(), FERRO_NO_CALLBACK);
  EXPECT_THAT(
      trace_texts(),
      ElementsAre(
          "Enter callback_poweron",
          "callback_poweron return 0: Recvlen = [4], Recv Atr: [3B021450]",
          "callback_apdu: sendlen = [19], Send Apdu: [00A404000E315041592E5359532E4444463031]",
          "callback_apdu = null"));
  EXPECT_EQ(card.trace[3].func, "callback_apdu");
  EXPECT_EQ(card.trace[3].level, FERRO_LOG_ERROR);
}

TEST_F(CallbackTest, WithoutLogCallbackNothingIsTraced) {
  pboc_setcallback("pboc_writelog", nullptr);
  pboc_setcallback("pboc_apdu", nullptr);
  card.trace.clear();
  EXPECT_EQ(read_card_number(), FERRO_NO_CALLBACK);
  EXPECT_TRUE(card.trace.empty());
}

struct Folding {
  int callback_result;
  int folded;
};

class CallbackFoldingTest : public CallbackTest, public ::testing::WithParamInterface<Folding> {};

TEST_P(CallbackFoldingTest, PowerOnFailureReachesTheCallerAsItsLowByte) {
  card.poweron_result = GetParam().callback_result;
  EXPECT_EQ(read_card_number(), GetParam().folded);
  EXPECT_TRUE(card.commands.empty());
  EXPECT_THAT(trace_texts()[1],
              StartsWith("callback_poweron return " + std::to_string(GetParam().folded) + ":"));
}

TEST_P(CallbackFoldingTest, ApduFailureReachesTheCallerAsItsLowByte) {
  card.on(hex("80 A8"), {Answer{{}, GetParam().callback_result}});
  EXPECT_EQ(read_card_number(), GetParam().folded);
  EXPECT_THAT(trace_texts("callback_apdu").back(),
              StartsWith("callback_apdu return " + std::to_string(GetParam().folded) + ":"));
}

INSTANTIATE_TEST_SUITE_P(Results, CallbackFoldingTest,
                         ::testing::Values(Folding{-1, 255}, Folding{-101, 155}, Folding{-110, 146},
                                           Folding{7, 7}, Folding{0x1FF, 255}));

}  // namespace
}  // namespace ferro_test
