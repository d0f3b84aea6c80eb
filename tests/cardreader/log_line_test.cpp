// Lines of the library's log file: layout, level words, long names.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "log_file.h"

namespace tarn {
namespace {

class LogLine : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_ = std::filesystem::temp_directory_path() / ("tarn-log-" + std::to_string(::getpid()));
    std::filesystem::create_directories(drive_);
    ::setenv("TARN_DRIVE_D", drive_.c_str(), 1);
    reopen_log_file();
  }
  void TearDown() override { std::filesystem::remove_all(drive_); }

  // The file's bytes, read while the stream is still open: every line is flushed at once.
  std::string contents() const {
    std::ifstream in(drive_ / "Holm" / "Vesk.log", std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  std::filesystem::path drive_;
};

TEST_F(LogLine, HasTheFixedLayoutAndIsOnDiskAtOnce) {
  write_log_line("callback_apdu", 0, "T");
  const std::regex layout(
      R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3}   callback_apdu {12}     DEBUG {6}T\r\n)");
  EXPECT_TRUE(std::regex_match(contents(), layout)) << contents();
}

TEST_F(LogLine, LevelSelectsTheWord) {
  const std::pair<int, const char*> levels[] = {{0, "DEBUG      "},
                                                {1, "WARN       "},
                                                {2, "ERROR      "},
                                                {3, "UNKONW     "},
                                                {-1, "UNKONW     "}};
  for (const auto& [level, word] : levels) write_log_line("n", level, "x");
  std::istringstream lines(contents());
  std::string line;
  for (const auto& [level, word] : levels) {
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.substr(23 + 3 + 25 + 5), std::string(word) + "x\r") << level;
  }
}

TEST_F(LogLine, LongNamesAndTextsAreWrittenWhole) {
  const std::string name(30, 'f');
  const std::string text(3000, 't');
  write_log_line(name.c_str(), 2, text.c_str());
  const std::string line = contents();
  EXPECT_EQ(line.substr(26, 30 + 5 + 11), name + "     ERROR      ");
  EXPECT_EQ(line.size(), 26 + 30 + 5 + 11 + text.size() + 2);
}

TEST(LogLineWithoutStream, WritesNothing) {
  const auto missing = std::filesystem::temp_directory_path() / "tarn-no-drive";
  std::filesystem::remove_all(missing);
  ::setenv("TARN_DRIVE_D", missing.c_str(), 1);
  reopen_log_file();
  write_log_line("n", 0, "x");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace tarn
