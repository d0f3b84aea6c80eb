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
