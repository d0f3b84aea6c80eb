// The serial link on the virtual reader: opening, exact frames, link failures and their waits.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "wire_fixture.h"

namespace tarn_test {
namespace {

using readersim::Fault;

TEST(PortOpen, RefusesNamesItCannotTake) {
  EXPECT_EQ(Tarn_CommOpen(nullptr), nullptr);
  EXPECT_EQ(Tarn_CommOpen(""), nullptr);
  EXPECT_EQ(Tarn_CommOpen("/dev/no-such-reader"), nullptr);
  EXPECT_EQ(Tarn_CommOpen(std::string(5000, 'x').c_str()), nullptr);
  EXPECT_EQ(Tarn_CommOpenWithBaud(nullptr, 9600), nullptr);
  EXPECT_EQ(Tarn_CommClose(nullptr), TARN_E_NOPORT);
}

TEST_F(WireTest, OpenIsExclusiveUntilClosed) {
  EXPECT_EQ(Tarn_CommOpen(reader_.slave_path().c_str()), nullptr);
  EXPECT_EQ(Tarn_CommOpenWithBaud(reader_.slave_path().c_str(), 9600), nullptr);
  ASSERT_EQ(Tarn_CommClose(port_), TARN_OK);
  port_ = Tarn_CommOpen(reader_.slave_path().c_str());
  EXPECT_NE(port_, nullptr);
  EXPECT_TRUE(sent().empty()) << "opening neither resets nor probes the reader";
}

TEST_F(WireTest, ClosedHandleIsRecognised) {
  void* stale = port_;
  ASSERT_EQ(Tarn_CommClose(port_), TARN_OK);
  port_ = nullptr;
  unsigned char position = 0xEE;
  EXPECT_EQ(Tarn_CommClose(stale), TARN_E_CLOSE);
  EXPECT_EQ(Tarn_CheckCardPosition(stale, &position), TARN_E_NOACK);
  EXPECT_EQ(Tarn_EnterCard(stale, '1', 100), TARN_E_ENTRY);
  EXPECT_EQ(Tarn_Eot(stale), TARN_E_WRITE);
  EXPECT_EQ(Tarn_CheckCardPosition(reinterpret_cast<void*>(0x12345), &position), TARN_E_NOACK);
  EXPECT_EQ(position, 0xEE);
  EXPECT_TRUE(sent().empty());
}

TEST_F(WireTest, OpenWithBaudSetsTheLineRateAndLeavesTheLogAlone) {
  Tarn_CommClose(port_);
  std::filesystem::remove_all(drive_ / "Holm");
  EXPECT_EQ(Tarn_CommOpenWithBaud(reader_.slave_path().c_str(), 300), nullptr);
  port_ = Tarn_CommOpenWithBaud(reader_.slave_path().c_str(), 115200);
  ASSERT_NE(port_, nullptr);
  const int fd = ::open(reader_.slave_path().c_str(), O_RDONLY | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(tcgetattr(fd, &tio), 0);
  ::close(fd);
  EXPECT_EQ(cfgetospeed(&tio), B115200);
  EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(std::filesystem::exists(drive_ / "Holm"));
}

TEST_F(WireTest, CommOpenCreatesTheLogFileOnDriveD) {
  EXPECT_TRUE(std::filesystem::is_regular_file(drive_ / "Holm" / "Vesk.log"));
}

TEST(LogFile, NoDriveDMeansNoLogAndNothingCreated) {
  readersim::VirtualReader reader;
  const auto missing = std::filesystem::temp_directory_path() / "tarn-no-drive-d";
  std::filesystem::remove_all(missing);
  ::setenv("TARN_DRIVE_D", missing.c_str(), 1);
  void* port = Tarn_CommOpen(reader.slave_path().c_str());
  ASSERT_NE(port, nullptr);
  EXPECT_FALSE(std::filesystem::exists(missing));
  Tarn_CommClose(port);
}

TEST_F(WireTest, SetCommBaudSendsTheRatesParameter) {
  EXPECT_EQ(Tarn_SetCommBaud(port_, 300), TARN_E_REPLY);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(Tarn_SetCommBaud(port_, 115200), TARN_OK);
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x02, 0x46, 0x37, 0x03, 0x72}));
  EXPECT_EQ(reader_.state().baud, 115200u);
  EXPECT_EQ(Tarn_SetCommBaud(nullptr, 9600), TARN_E_NOPORT);
}

TEST_F(WireTest, PositionQueryIsOneFrameThenEnq) {
  reader_.set_next_reply('1', {'7'});
  unsigned char position = 0;
  ASSERT_EQ(Tarn_CheckCardPosition(port_, &position), TARN_OK);
  EXPECT_EQ(position, '7');
  EXPECT_EQ(sent(), frame_then_enq({0x02, 0x00, 0x02, 0x31, 0x30, 0x03, 0x02}));
}

TEST_F(WireTest, NegativeReplyGivesTheErrorByteAndLeavesOutputsAlone) {
  reader_.set_next_error('1', '2');
  Guarded<1> position;
  EXPECT_EQ(Tarn_CheckCardPosition(port_, position.data()), 50);
  EXPECT_TRUE(position.untouched());
  reader_.set_next_error('1', 0);
  EXPECT_EQ(Tarn_CheckCardPosition(port_, position.data()), TARN_E_FAMILY)
      << "a refusal without an error byte is not success";
  EXPECT_TRUE(position.untouched());
  expect_port_usable();
}

// Every link failure: its code, roughly its wait, untouched outputs, and a usable port after.
struct LinkFault {
  Fault fault;
  int expected;
  long min_ms;
  long max_ms;
};

class LinkFaults : public WireTest, public ::testing::WithParamInterface<LinkFault> {};

TEST_P(LinkFaults, GiveTheirCodeAndLeaveThePortUsable) {
  const LinkFault& c = GetParam();
  reader_.inject(c.fault, 1, milliseconds(300));
  Guarded<7> states;
  int result = 0;
  const auto took = timed([&] { result = Tarn_CheckSensorStates(port_, states.data()); });
  EXPECT_EQ(result, c.expected);
  EXPECT_GE(took.count(), c.min_ms);
  EXPECT_LT(took.count(), c.max_ms);
  if (c.expected != TARN_OK) {
    EXPECT_TRUE(states.untouched());
  }
  EXPECT_TRUE(states.canaries_intact());
  expect_port_usable();
}

INSTANTIATE_TEST_SUITE_P(Wire, LinkFaults,
                         ::testing::Values(LinkFault{Fault::Silence, TARN_E_NOACK, 750, 2500},
                                           LinkFault{Fault::Nak, TARN_E_NAK, 0, 500},
                                           LinkFault{Fault::Garbage, TARN_E_NOACK, 0, 500},
                                           LinkFault{Fault::AckThenSilence, TARN_E_REPLY, 6900,
                                                     9000},
                                           LinkFault{Fault::WrongBcc, TARN_E_REPLY, 0, 500},
                                           LinkFault{Fault::WrongCmEcho, TARN_E_REPLY, 0, 500},
                                           LinkFault{Fault::MissingEtx, TARN_OK, 0, 500},
                                           LinkFault{Fault::Truncated, TARN_E_REPLY, 6900, 9000},
                                           LinkFault{Fault::OversizedLength, TARN_E_REPLY, 0, 2500},
                                           LinkFault{Fault::SlowReply, TARN_OK, 250, 2000}),
                         [](const auto& info) {
                           std::string name(readersim::fault_name(info.param.fault));
                           std::erase(name, '-');
                           return name;
                         });

TEST_F(WireTest, ShortReplyWaitBelongsToTheDecodedStripeReadOnly) {
  reader_.inject(Fault::AckThenSilence, 2);
  int count = -7;
  Guarded<492> stripe;
  int result = 0;
  auto took = timed([&] { result = Tarn_ReadMagcardDecode(port_, '1', &count, stripe.data()); });
  EXPECT_EQ(result, TARN_E_SHORTWAIT);
  EXPECT_GE(took.count(), 1450);
  EXPECT_LT(took.count(), 3000);
  EXPECT_EQ(count, -7);
  EXPECT_TRUE(stripe.untouched());
  took = timed([&] { result = Tarn_MoveCard(port_, '4'); });
  EXPECT_EQ(result, TARN_E_REPLY);
  EXPECT_GE(took.count(), 6900);
  expect_port_usable();
}

TEST_F(WireTest, DisconnectedReaderFailsWithoutHangingAndRecoversAfterReopen) {
  reader_.inject(Fault::Disconnect);
  unsigned char position = 0xEE;
  const auto took = timed([&] { EXPECT_LT(Tarn_CheckCardPosition(port_, &position), 0); });
  EXPECT_LT(took.count(), 9000);
  EXPECT_EQ(position, 0xEE);
  Tarn_CommClose(port_);
  reader_.reconnect();
  port_ = Tarn_CommOpen(reader_.slave_path().c_str());
  ASSERT_NE(port_, nullptr);
  expect_port_usable();
}

}  // namespace
}  // namespace tarn_test
