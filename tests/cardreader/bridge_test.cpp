// The PBOC bridge on the virtual reader: which callback set runs, the null port, the log lines.
#include <fstream>
#include <regex>
#include <sstream>

#include "Ferro.h"
#include "wire_fixture.h"

namespace tarn_test {
namespace {

std::string log_text(const std::filesystem::path& drive) {
  std::ifstream in(drive / "Holm" / "Vesk.log", std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// The callback names the kernel traced as registered, in order.
std::vector<std::string> registrations(const std::string& log) {
  static const std::regex line(
      R"(   pboc_setcallback {9}     DEBUG {6}lpszCallBackName \[(\w+)\], Dll Version = \[[^\]]*\]\r\n)");
  std::vector<std::string> names;
  for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
    names.push_back((*it)[1]);
  return names;
}

TEST_F(WireTest, NullPortGivesTheFoldedCodeAndSendsNothing) {
  char records[16] = {};
  EXPECT_EQ(Tarn_GetTradeRecord(nullptr, records), 155);
  int length = 0;
  unsigned char track2[40];
  EXPECT_EQ(Tarn_CPUTypeAReadICCardNum(nullptr, &length, track2), 155);
  EXPECT_TRUE(sent().empty());
}

// The first bridge call of a process logs three registrations, every later one four (the log
// writer was already registered when its own registration is traced). Runs in a fresh process.
TEST_F(WireTest, RegistrationsAreLoggedThreeTimesFirstThenFour) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto calls = [&] {
    unsigned char balance[6];
    Tarn_ElectronicBalance(nullptr, balance);
    const auto first = registrations(log_text(drive_));
    Tarn_ElectronicBalance(nullptr, balance);
    const auto both = registrations(log_text(drive_));
    const std::vector<std::string> expected{"pboc_poweron",  "pboc_poweroff", "pboc_apdu",
                                            "pboc_writelog", "pboc_poweron",  "pboc_poweroff",
                                            "pboc_apdu"};
    std::exit(first.size() == 3 && both == expected ? 0 : 1);
  };
  EXPECT_EXIT(calls(), ::testing::ExitedWithCode(0), "");
}

readersim::Card pboc_card() {
  return readersim::load_card(readersim::cards_dir() / "pboc_debit_card.json");
}

// The CMs and PMs of the request frames the reader took, in order.
std::vector<std::pair<int, int>> commands(const readersim::VirtualReader& reader) {
  std::vector<std::pair<int, int>> out;
  for (const auto& r : reader.requests()) out.emplace_back(r.cm, r.pm);
  return out;
}

TEST_F(WireTest, ContactCardNumberUsesColdResetAndT0Exchanges) {
  reader_.place_card(pboc_card(), readersim::Position::IcContacts);
  int length = 0;
  Guarded<36> track2;
  ASSERT_EQ(Tarn_ReadICCardNum(port_, &length, track2.data()), 0);
  EXPECT_TRUE(track2.canaries_intact());
  ASSERT_EQ(length, 19);
  EXPECT_EQ(Bytes(track2.bytes.begin(), track2.bytes.begin() + 3), Bytes({0x62, 0x12, 0x34}));
  const auto sent_commands = commands(reader_);
  ASSERT_GE(sent_commands.size(), 2u);
  EXPECT_EQ(sent_commands.front(), std::make_pair(int{'9'}, int{'0'}));
  for (std::size_t i = 1; i < sent_commands.size(); ++i)
    EXPECT_EQ(sent_commands[i], std::make_pair(int{'9'}, int{'3'}));
  const std::string log = log_text(drive_);
  EXPECT_NE(log.find("callback_apdu"), std::string::npos) << "the kernel's trace reached the log";
}

TEST_F(WireTest, ContactlessCardNumberUsesTypeAThenTheContactSetAgain) {
  reader_.place_card(readersim::load_card(readersim::cards_dir() / "pboc_contactless_card.json"),
                     readersim::Position::RfField);
  int length = 0;
  unsigned char track2[64];
  ASSERT_EQ(Tarn_CPUTypeAReadICCardNum(port_, &length, track2), 0);
  for (const auto& [cm, pm] : commands(reader_)) EXPECT_EQ(cm, 'G');
  reader_.clear_recording();
  EXPECT_NE(Tarn_ReadICCardNum(port_, &length, track2), 0) << "no contact chip in the field";
  ASSERT_FALSE(reader_.requests().empty());
  EXPECT_EQ(reader_.requests().front().cm, '9');
}

TEST(BridgeWithoutLog, PortOpenedWithBaudOnlyLeavesNoLog) {
  readersim::VirtualReader reader;
  const auto drive =
      std::filesystem::temp_directory_path() / ("tarn-baud-" + std::to_string(::getpid()));
  std::filesystem::create_directories(drive);
  ::setenv("TARN_DRIVE_D", drive.c_str(), 1);
  void* port = Tarn_CommOpenWithBaud(reader.slave_path().c_str(), 9600);
  unsigned char balance[6];
  Tarn_ElectronicBalance(port, balance);
  EXPECT_FALSE(std::filesystem::exists(drive / "Holm"));
  EXPECT_FALSE(reader.received().empty()) << "the operation ran on the port";
  Tarn_CommClose(port);
  std::filesystem::remove_all(drive);
}

}  // namespace
}  // namespace tarn_test
