// The tarn-readersim console: commands reach the reader, mistakes are reported, none is fatal.
#include "console.h"

#include <gtest/gtest.h>

#include <sstream>

#include "slave_line.h"

namespace readersim_test {
namespace {

class ConsoleTest : public ::testing::Test {
 protected:
  // Runs one line; true while the console goes on.
  bool run(const std::string& line) {
    out_.str("");
    err_.str("");
    return console_.execute(line);
  }

  readersim::VirtualReader reader_;
  std::ostringstream out_;
  std::ostringstream err_;
  readersim::Console console_{reader_, out_, err_};
};

TEST_F(ConsoleTest, InsertStatusRemove) {
  EXPECT_TRUE(run("insert " + (readersim::cards_dir() / "bank_card.json").string()));
  EXPECT_EQ(out_.str(), "inserted Test bank card\n");
  EXPECT_EQ(reader_.state().position(), readersim::Position::Gate);
  EXPECT_TRUE(run("status"));
  EXPECT_NE(out_.str().find("position 0 card \"Test bank card\""), std::string::npos) << out_.str();
  EXPECT_TRUE(run("remove"));
  EXPECT_EQ(reader_.state().position(), readersim::Position::Empty);
  EXPECT_TRUE(run("remove"));
  EXPECT_EQ(err_.str(), "remove: no card at the gate\n");
}

TEST_F(ConsoleTest, SamGoesIntoItsSocket) {
  const std::string sam = (readersim::cards_dir() / "test_sam.json").string();
  EXPECT_TRUE(run("sam 7 " + sam));
  EXPECT_EQ(out_.str(), "socket 7: Test SAM\n");
  EXPECT_TRUE(reader_.state().chips.sams[7]);
  for (const std::string& line : std::initializer_list<std::string>{
           "sam 8 " + sam, "sam x " + sam, "sam 1", "sam 1 /nonexistent.json",
           "sam 1 " + (readersim::cards_dir() / "bank_card.json").string()}) {
    EXPECT_TRUE(run(line));
    EXPECT_EQ(out_.str(), "") << line;
    EXPECT_NE(err_.str(), "") << line;
  }
  EXPECT_FALSE(reader_.state().chips.sams[1]);
}

TEST_F(ConsoleTest, FaultReachesTheLine) {
  SlaveLine line(reader_.slave_path());
  EXPECT_TRUE(run("fault nak 2"));
  EXPECT_EQ(out_.str(), "fault nak for 2\n");
  const Bytes request = readersim::encode_request('1', '0');
  EXPECT_EQ(line.exchange(request).link, Bytes{readersim::kNak});
  EXPECT_EQ(line.exchange(request).link, Bytes{readersim::kNak});
  EXPECT_EQ(line.exchange(request).link, Bytes{readersim::kAck});
  EXPECT_TRUE(run("fault silence 0"));
  EXPECT_TRUE(run("fault clear"));
  EXPECT_EQ(line.exchange(request).link, Bytes{readersim::kAck});
}

// Lines that only produce a complaint on the error stream.
class ConsoleMistake : public ConsoleTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ConsoleMistake, IsReportedAndTheConsoleGoesOn) {
  EXPECT_TRUE(run(GetParam()));
  EXPECT_EQ(out_.str(), "");
  EXPECT_NE(err_.str(), "");
  EXPECT_EQ(reader_.state().position(), readersim::Position::Empty);
}

INSTANTIATE_TEST_SUITE_P(Console, ConsoleMistake,
                         ::testing::Values("insert", "insert /nonexistent.json", "fault",
                                           "fault bogus", "fault nak x", "fault nak -1",
                                           "fault slow 1 20 9", "frobnicate", "status now"));

TEST_F(ConsoleTest, QuitEndsAndBlankLinesDoNot) {
  EXPECT_TRUE(run("   "));
  EXPECT_FALSE(run("quit"));
  std::istringstream script("help\nquit\nremove\n");
  console_.run(script);
  EXPECT_EQ(err_.str(), "") << "nothing after quit runs";
}

}  // namespace
}  // namespace readersim_test
