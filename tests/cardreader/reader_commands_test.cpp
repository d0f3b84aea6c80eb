// The reader's own commands on the virtual reader: their frames, replies and unpacking.
#include <pty.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "wire_fixture.h"

namespace tarn_test {
namespace {

using readersim::Fault;

struct FrameCase {
  const char* name;
  std::function<int(void*)> call;
  Bytes frame;
};

TEST_F(WireTest, CommandsWithoutOutputsSendTheirFrames) {
  const unsigned char id[] = {'K', '1'};
  const FrameCase cases[] = {
      {"move", [](void* p) { return Tarn_MoveCard(p, '4'); }, {2, 0, 2, 0x33, 0x34, 3, 0x04}},
      {"power on", [](void* p) { return Tarn_PowerOn(p); }, {2, 0, 2, 0x45, 0x30, 3, 0x76}},
      {"ic power on",
       [](void* p) { return Tarn_IcCardPowerOn(p); },
       {2, 0, 2, 0x45, 0x30, 3, 0x76}},
      {"power off", [](void* p) { return Tarn_PowerOff(p); }, {2, 0, 2, 0x45, 0x31, 3, 0x77}},
      {"ic power off",
       [](void* p) { return Tarn_IcCardPowerOff(p); },
       {2, 0, 2, 0x45, 0x31, 3, 0x77}},
      {"led 1", [](void* p) { return Tarn_Led1Control(p, 0x131); }, {2, 0, 2, 0x35, 0x31, 3, 0x07}},
      {"led 2", [](void* p) { return Tarn_Led2Control(p, '2'); }, {2, 0, 2, 0x36, 0x32, 3, 0x07}},
      {"flicker",
       [](void* p) { return Tarn_SetLedFlickerRate(p, '6', 9); },
       {2, 0, 3, 0x36, 0x33, 9, 3, 0x0E}},
      {"clear stripe",
       [](void* p) { return Tarn_ClearMagCardData(p); },
       {2, 0, 2, 0x37, 0x39, 3, 0x0D}},
      {"set id",
       [&](void* p) { return Tarn_SetMachineIDNum(p, 2, id); },
       {2, 0, 5, 0x90, 0x31, 2, 'K', '1', 3, 0xDD}},
      {"set id 0",
       [](void* p) { return Tarn_SetMachineIDNum(p, 0, nullptr); },
       {2, 0, 3, 0x90, 0x31, 0, 3, 0xA3}},
      {"clear retain",
       [](void* p) { return Tarn_ClearRetainCount(p); },
       {2, 0, 2, 0x51, 0x31, 3, 0x63}},
      {"ext io on",
       [](void* p) { return Tarn_IccEnableExtIO(p, 7); },
       {2, 0, 2, 0x92, 0x31, 3, 0xA0}},
      {"ext io off",
       [](void* p) { return Tarn_IccEnableExtIO(p, 0); },
       {2, 0, 2, 0x92, 0x30, 3, 0xA1}},
      {"untimed entry",
       [](void* p) { return Tarn_EnterCardUntime(p, '1'); },
       {2, 0, 2, 0x32, 0x31, 3, 0x00}},
  };
  for (const auto& c : cases) {
    reader_.set_next_reply(c.frame[3], {});
    EXPECT_EQ(c.call(port_), TARN_OK) << c.name;
    EXPECT_EQ(sent(), frame_then_enq(c.frame)) << c.name;
  }
}

TEST_F(WireTest, EveryCommandOnANullHandleSendsNothing) {
  unsigned char b[600] = {};
  int n = 0;
  const std::function<int()> calls[] = {
      [&] { return Tarn_Reset(nullptr, '0', b); },
      [&] { return Tarn_CheckCardPosition(nullptr, b); },
      [&] { return Tarn_CheckSensorStates(nullptr, b); },
      [&] { return Tarn_CheckSensorVoltage(nullptr, b); },
      [&] { return Tarn_EnterCard(nullptr, '1', 10); },
      [&] { return Tarn_EnterCardUntime(nullptr, '1'); },
      [&] { return Tarn_MoveCard(nullptr, '4'); },
      [&] { return Tarn_AutoTestICCard(nullptr, b); },
      [&] { return Tarn_AutoTestRFIDCard(nullptr, b); },
      [&] { return Tarn_PowerOn(nullptr); },
      [&] { return Tarn_PowerOff(nullptr); },
      [&] { return Tarn_Led1Control(nullptr, '1'); },
      [&] { return Tarn_Led2Control(nullptr, '1'); },
      [&] { return Tarn_SetLedFlickerRate(nullptr, '5', 1); },
      [&] { return Tarn_ReadMagcardDecode(nullptr, '1', &n, b); },
      [&] { return Tarn_ReadMagcardUNDecode(nullptr, '1', &n, b); },
      [&] { return Tarn_ClearMagCardData(nullptr); },
      [&] { return Tarn_ReadBarcode(nullptr, b); },
      [&] { return Tarn_GetMachineIDNum(nullptr, b, b + 1); },
      [&] { return Tarn_SetMachineIDNum(nullptr, 1, b); },
      [&] { return Tarn_ReadRetainCount(nullptr, &n); },
      [&] { return Tarn_ClearRetainCount(nullptr); },
      [&] { return Tarn_IccEnableExtIO(nullptr, 1); },
      [&] { return Tarn_SetCommBaud(nullptr, 9600); },
      [&] { return Tarn_Eot(nullptr); },
      [&] { return Tarn_TestCmd(nullptr, 0); },
  };
  for (const auto& call : calls) EXPECT_EQ(call(), TARN_E_NOPORT);
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(sent().empty());
}

TEST_F(WireTest, QueriesHandBackTheReplyData) {
  reader_.set_next_reply('1', {'1', '2', '3', '4', '5', '6', '7', 'x'});
  Guarded<7> states;
  ASSERT_EQ(Tarn_CheckSensorStates(port_, states.data()), TARN_OK);
  EXPECT_EQ(std::memcmp(states.data(), "1234567", 7), 0);
  EXPECT_TRUE(states.canaries_intact());

  reader_.set_next_reply('1', Bytes(12, 0x41));
  Guarded<12> volts;
  ASSERT_EQ(Tarn_CheckSensorVoltage(port_, volts.data()), TARN_OK);
  EXPECT_EQ(Bytes(volts.bytes.begin(), volts.bytes.begin() + 12), Bytes(12, 0x41));
  EXPECT_TRUE(volts.canaries_intact());
  EXPECT_EQ(sent(), Bytes({2, 0, 2, 0x31, 0x31, 3, 0x03, 5, 2, 0, 2, 0x31, 0x32, 3, 0x00, 5}));

  unsigned char ic = 0, rf = 0;
  reader_.set_next_reply('4', {'Y'});
  ASSERT_EQ(Tarn_AutoTestICCard(port_, &ic), TARN_OK);
  reader_.set_next_reply('4', {'Z'});
  ASSERT_EQ(Tarn_AutoTestRFIDCard(port_, &rf), TARN_OK);
  EXPECT_EQ(ic, 'Y');
  EXPECT_EQ(rf, 'Z');
  EXPECT_EQ(sent(), Bytes({2, 0, 2, 0x34, 0x30, 3, 0x07, 5, 2, 0, 2, 0x34, 0x31, 3, 0x06, 5}));
}

TEST_F(WireTest, ResetZeroesFourBytesThenCopiesTheReplyData) {
  Guarded<92> out;
  reader_.set_next_reply('0', {'A', 'B'});
  ASSERT_EQ(Tarn_Reset(port_, '0', out.data()), TARN_OK);
  EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + 5), Bytes({'A', 'B', 0, 0, 0xC5}));
  reader_.set_next_reply('0', Bytes(92, 'v'));
  ASSERT_EQ(Tarn_Reset(port_, '1', out.data()), TARN_OK);
  EXPECT_TRUE(out.canaries_intact());
  reader_.set_next_reply('0', Bytes(93, 'w'));
  EXPECT_EQ(Tarn_Reset(port_, '1', out.data()), TARN_E_REPLY) << "93 bytes do not fit the reply";
  EXPECT_EQ(out.bytes[0], 'v');
  expect_port_usable();
}

TEST_F(WireTest, RetainCountIsThreeDigits) {
  const std::pair<const char*, int> cases[] = {{"123", 123}, {"007", 7}, {"999", 999}};
  for (const auto& [digits, value] : cases) {
    reader_.set_next_reply('Q', Bytes(digits, digits + 3));
    int count = -1;
    ASSERT_EQ(Tarn_ReadRetainCount(port_, &count), TARN_OK);
    EXPECT_EQ(count, value) << digits;
  }
  EXPECT_EQ(sent().front(), 0x02);
}

TEST_F(WireTest, MachineIdentityRoundTripsAndBadCountsAreRefused) {
  const unsigned char id[] = "KIOSK-0042";
  ASSERT_EQ(Tarn_SetMachineIDNum(port_, 10, id), TARN_OK);
  unsigned char length = 0;
  Guarded<91> out;
  ASSERT_EQ(Tarn_GetMachineIDNum(port_, &length, out.data()), TARN_OK);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(std::memcmp(out.data(), id, 10), 0);

  sent();
  const Bytes big(93, 'x');
  EXPECT_EQ(Tarn_SetMachineIDNum(port_, 93, big.data()), TARN_E_ARGUMENT);
  EXPECT_EQ(Tarn_SetMachineIDNum(port_, 1, nullptr), TARN_E_ARGUMENT);
  EXPECT_TRUE(sent().empty());
  reader_.set_next_reply(0x90, {});
  EXPECT_EQ(Tarn_SetMachineIDNum(port_, 92, big.data()), TARN_OK);
  EXPECT_EQ(sent().size(), 100u + 1) << "the largest request fills the 100-byte request buffer";

  Bytes lying(20, 'y');
  lying[0] = 200;  // announces 200 identity bytes, carries 19
  reader_.set_next_reply(0x90, lying);
  Guarded<91> untouched;
  length = 0;
  EXPECT_EQ(Tarn_GetMachineIDNum(port_, &length, untouched.data()), TARN_E_REPLY);
  EXPECT_EQ(length, 0);
  EXPECT_TRUE(untouched.untouched());
}

TEST_F(WireTest, BarcodeHandsOverDataEtxBccAndZerosWithinThirtyBytes) {
  reader_.set_next_reply('I', {'1', '2', '3'});
  Guarded<30> out;
  ASSERT_EQ(Tarn_ReadBarcode(port_, out.data()), TARN_OK);
  // L = 6: three data bytes, ETX, BCC, then zeros, 11 bytes in all.
  EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + 12),
            Bytes({'1', '2', '3', 0x03, 0x1E, 0, 0, 0, 0, 0, 0, 0xC5}));

  reader_.set_next_reply('I', Bytes(22, 'b'));  // the largest reply the 30-byte buffer holds
  Guarded<30> full;
  ASSERT_EQ(Tarn_ReadBarcode(port_, full.data()), TARN_OK);
  EXPECT_TRUE(full.canaries_intact());
  EXPECT_EQ(full.bytes[22], 0x03);
  reader_.set_next_reply('I', Bytes(23, 'b'));
  EXPECT_EQ(Tarn_ReadBarcode(port_, full.data()), TARN_E_REPLY);
  expect_port_usable();
}

TEST_F(WireTest, DecodedStripeMarksEmptyTracksAndRawReadDoesNot) {
  struct Case {
    Bytes data;
    Bytes decoded;
  };
  const Case cases[] = {
      {{0x60, 0, 0x60, 0, 0x60, 0}, {0x65, 0, 0x65, 0, 0x65, 0}},
      {{0x60, 0, 0x41, 0x42, 0x43}, {0x65, 0, 0x41, 0x42, 0x43}},
      {{0x41, 0x60, 0, 0x60, 0, 0}, {0x41, 0x60, 0, 0x60, 0, 0}},
  };
  for (const auto& c : cases) {
    Guarded<492> out;
    int count = 0;
    reader_.set_next_reply('7', c.data);
    ASSERT_EQ(Tarn_ReadMagcardDecode(port_, '1', &count, out.data()), TARN_OK);
    EXPECT_EQ(count, static_cast<int>(c.data.size()));
    EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + count), c.decoded);
    reader_.set_next_reply('8', c.data);
    ASSERT_EQ(Tarn_ReadMagcardUNDecode(port_, '1', &count, out.data()), TARN_OK);
    EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + count), c.data);
  }
}

TEST_F(WireTest, DecodedStripeWithoutEtxGivesEightAndWritesNothing) {
  reader_.set_next_reply('7', {0x60, 0, 0x31});
  reader_.inject(Fault::MissingEtx);
  Guarded<492> out;
  int count = -5;
  EXPECT_EQ(Tarn_ReadMagcardDecode(port_, '1', &count, out.data()), 8);
  EXPECT_EQ(count, -5);
  EXPECT_TRUE(out.untouched());
}

TEST_F(WireTest, LargestStripeReplyFitsAndALargerOneIsRefused) {
  Guarded<492> out;
  int count = 0;
  reader_.set_next_reply('8', Bytes(492, '7'));
  ASSERT_EQ(Tarn_ReadMagcardUNDecode(port_, '1', &count, out.data()), TARN_OK);
  EXPECT_EQ(count, 492);
  EXPECT_TRUE(out.canaries_intact());
  reader_.set_next_reply('8', Bytes(493, '7'));
  EXPECT_EQ(Tarn_ReadMagcardUNDecode(port_, '1', &count, out.data()), TARN_E_REPLY);
  EXPECT_EQ(count, 492);
  expect_port_usable();
}

TEST_F(WireTest, BankCardStripeGivesTheCardNumberAfterTwoBytes) {
  reader_.place_card(readersim::default_bank_card(), readersim::Position::ReadHead);
  Guarded<492> out;
  int count = 0;
  ASSERT_EQ(Tarn_ReadMagcardDecode(port_, '1', &count, out.data()), TARN_OK);
  const std::string track2 = readersim::default_bank_card().tracks[1];
  ASSERT_GT(count, 2);
  EXPECT_EQ(out.bytes[0], 0x65);
  EXPECT_EQ(out.bytes[1], 0x00);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.data()) + 2, track2.size()), track2);
}

TEST_F(WireTest, CardEntryCancelledWithEotWhenNoCardComes) {
  int result = 0;
  const auto took = timed([&] { result = Tarn_EnterCard(port_, '1', 300); });
  EXPECT_EQ(result, TARN_E_ENTRY);
  EXPECT_GE(took.count(), 290);
  EXPECT_LT(took.count(), 2000);
  EXPECT_EQ(sent(), Bytes({0x02, 0x00, 0x02, 0x32, 0x31, 0x03, 0x00, 0x05, 0x04}));
  expect_port_usable();
}

TEST_F(WireTest, CardEntryCompletesWhenACardIsInserted) {
  auto entry = std::async(std::launch::async, [&] { return Tarn_EnterCard(port_, '1', 30000); });
  ASSERT_TRUE(reader_.wait_for_entry(milliseconds(3000)));
  reader_.insert_card(readersim::default_bank_card());
  EXPECT_EQ(entry.get(), TARN_OK);
  EXPECT_NE(reader_.state().position(), readersim::Position::Empty);
}

TEST_F(WireTest, CardEntryWithoutLimitWaitsForTheReader) {
  auto entry = std::async(std::launch::async, [&] { return Tarn_EnterCard(port_, '1', 0); });
  ASSERT_TRUE(reader_.wait_for_entry(milliseconds(3000)));
  EXPECT_EQ(entry.wait_for(milliseconds(500)), std::future_status::timeout);
  reader_.insert_card(readersim::default_bank_card());
  EXPECT_EQ(entry.get(), TARN_OK);
}

TEST_F(WireTest, CardEntryFailuresAllBecomeMinusThree) {
  reader_.set_next_error('2', '4');
  EXPECT_EQ(Tarn_EnterCard(port_, '1', 300), 0x34) << "a refusal is the reader's error byte";
  const Fault faults[] = {Fault::Nak, Fault::Garbage, Fault::Truncated};
  for (Fault f : faults) {
    reader_.insert_card(readersim::default_bank_card());
    reader_.inject(f);
    EXPECT_EQ(Tarn_EnterCard(port_, '1', 1000), TARN_E_ENTRY) << readersim::fault_name(f);
  }
  expect_port_usable();
}

TEST_F(WireTest, EotIsAnsweredWithEot) {
  EXPECT_EQ(Tarn_Eot(port_), TARN_OK);
  EXPECT_EQ(sent(), Bytes({0x04}));
}

TEST_F(WireTest, TestFrameIsWrittenAndNoReplyRead) {
  EXPECT_EQ(Tarn_TestCmd(port_, 123), TARN_OK);
  ASSERT_TRUE(reader_.wait_received(7, milliseconds(1000)));
  EXPECT_EQ(sent(), Bytes({0x02, 0x00, 0x02, 0x92, 0x92, 0x03, 0x03}));
  expect_port_usable();
}

// A pseudo-terminal with nobody on the reader's side.
class NoReader : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[128];
    ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    port_ = Tarn_CommOpenWithBaud(name, 9600);
    ASSERT_NE(port_, nullptr);
  }
  void TearDown() override {
    Tarn_CommClose(port_);
    ::close(slave_);
    ::close(master_);
  }
  int master_ = -1;
  int slave_ = -1;
  void* port_ = nullptr;
};

TEST_F(NoReader, EotGivesUpAfterItsWait) {
  int result = 0;
  const auto took = timed([&] { result = Tarn_Eot(port_); });
  EXPECT_EQ(result, TARN_E_REPLY);
  EXPECT_GE(took.count(), 1450);
  EXPECT_LT(took.count(), 3000);
}

TEST_F(NoReader, TestFrameStillSucceeds) {
  EXPECT_EQ(Tarn_TestCmd(port_, 0), TARN_OK);
}

TEST(Version, WrittenEvenWithoutAPort) {
  char text[32];
  std::memset(text, 0x7F, sizeof text);
  EXPECT_EQ(Tarn_GetSysVerion(nullptr, text), TARN_OK);
  EXPECT_STREQ(text, "TarnDLL_V 20160606");
  EXPECT_EQ(text[19], 0x7F);
}

}  // namespace
}  // namespace tarn_test
