// Faults on the line, reply overrides, disconnect and reconnect, the slave's symlink.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "readersim/virtual_reader.h"
#include "slave_line.h"

namespace readersim_test {
namespace {

using readersim::Fault;
using readersim::VirtualReader;

const Bytes kRequest = readersim::encode_request('1', '0');
const Bytes kReply = readersim::encode_reply('P', '1', '0', Bytes{'5'});

// The position reply with some bytes changed; `fix_bcc` makes its BCC right again.
Bytes patched(std::initializer_list<std::pair<std::size_t, std::uint8_t>> changes, bool fix_bcc) {
  Bytes r = kReply;
  for (auto [at, value] : changes) r[at] = value;
  if (fix_bcc) r.back() = readersim::bcc(std::span(r).first(r.size() - 1));
  return r;
}

// What the library sees for the position query under one fault: the reader's answer to the
// frame, then (after ENQ, when that answer was ACK) everything it sends.
struct FaultCase {
  const char* name;
  Fault fault;
  Bytes link;
  Bytes reply;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class Fixture : public ::testing::Test {
 protected:
  VirtualReader reader_;
  SlaveLine line_{reader_.slave_path()};
};

class FaultOnLine : public Fixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultOnLine, BendsOneRequestOnly) {
  reader_.inject(GetParam().fault, 1, std::chrono::milliseconds(50));
  line_.write(kRequest);
  EXPECT_EQ(line_.read_all(), GetParam().link);
  if (GetParam().link == Bytes{readersim::kAck}) {
    line_.write({readersim::kEnq});
    EXPECT_EQ(line_.read_all(), GetParam().reply);
  }
  EXPECT_EQ(line_.exchange(kRequest).reply, kReply) << "the next request is served normally";
  EXPECT_EQ(reader_.protocol_errors(), 0u);
}

const Bytes kAck{readersim::kAck};

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultOnLine,
    ::testing::Values(
        FaultCase{"Silence", Fault::Silence, {}, {}},
        FaultCase{"Nak", Fault::Nak, {readersim::kNak}, {}},
        FaultCase{"Garbage", Fault::Garbage, {readersim::kGarbageByte}, {}},
        FaultCase{"AckThenSilence", Fault::AckThenSilence, kAck, {}},
        FaultCase{"WrongBcc", Fault::WrongBcc, kAck, patched({{8, 0x61 ^ 0xFF}}, false)},
        FaultCase{"WrongCmEcho", Fault::WrongCmEcho, kAck, patched({{4, '0'}}, true)},
        FaultCase{"MissingEtx", Fault::MissingEtx, kAck, patched({{7, readersim::kNotEtx}}, true)},
        FaultCase{"Truncated", Fault::Truncated, kAck, Bytes(kReply.begin(), kReply.end() - 2)},
        FaultCase{"OversizedLength", Fault::OversizedLength, kAck,
                  patched({{1, 0x01}, {2, 0xF4}}, true)},
        FaultCase{"SlowReply", Fault::SlowReply, kAck, kReply}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Fixture, FaultCountsAndClearing) {
  reader_.inject(Fault::Nak, 2);
  EXPECT_EQ(line_.exchange(kRequest).link, Bytes{readersim::kNak});
  EXPECT_EQ(line_.exchange(kRequest).link, Bytes{readersim::kNak});
  EXPECT_EQ(line_.exchange(kRequest).reply, kReply);

  reader_.inject(Fault::Garbage, readersim::kUntilCleared);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(line_.exchange(kRequest).link, Bytes{0xA5});
  reader_.clear_faults();
  EXPECT_EQ(line_.exchange(kRequest).reply, kReply);
}

TEST_F(Fixture, FaultsTogetherApplyToTheSameRequest) {
  reader_.inject(Fault::SlowReply, 1, std::chrono::milliseconds(20));
  reader_.inject(Fault::WrongBcc);
  EXPECT_EQ(line_.exchange(kRequest).reply, patched({{8, 0x61 ^ 0xFF}}, false));
}

TEST_F(Fixture, NextReplyOverridesAreOneShotAndPerCm) {
  reader_.set_next_error('3', '9');
  reader_.set_next_reply('1', Bytes{'X', 'Y'});
  EXPECT_EQ(line_.ask('1', '1'), (Bytes{'P', 'X', 'Y'}));
  EXPECT_EQ(line_.ask('3', '4'), (Bytes{'N', '9'})) << "no card, yet the given error";
  EXPECT_EQ(line_.ask('1', '0'), (Bytes{'P', '5'}));

  reader_.place_card(readersim::default_bank_card(), readersim::Position::ReadHead);
  reader_.set_next_error('3', '7');
  EXPECT_EQ(line_.ask('3', '4'), (Bytes{'N', '7'}));
  EXPECT_EQ(reader_.state().position(), readersim::Position::ReadHead) << "the move was not made";

  const Bytes raw{0x02, 0x00, 0x01, 0x50, 0x03, 0x50};
  reader_.set_next_raw_reply(raw);
  line_.write(kRequest);
  EXPECT_EQ(line_.read(1), kAck);
  line_.write({readersim::kEnq});
  EXPECT_EQ(line_.read_all(), raw);
  EXPECT_EQ(line_.ask('1', '0'), (Bytes{'P', '1'}));
}

// The slave sees a hang-up: poll reports it, or a read fails.
bool hung_up(int fd) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, 2000) <= 0) return false;
  std::uint8_t byte;
  return (p.revents & (POLLHUP | POLLERR)) || ::read(fd, &byte, 1) <= 0;
}

TEST(Line, DisconnectFaultCutsTheReplyAndReconnectServesAgainAtTheLink) {
  const std::string link = ::testing::TempDir() + "readersim_link_" + std::to_string(::getpid());
  VirtualReader reader({.link = link});
  EXPECT_EQ(std::filesystem::read_symlink(link), reader.slave_path());
  {
    SlaveLine line(link);
    reader.inject(Fault::Disconnect);
    line.write(kRequest);
    EXPECT_EQ(line.read(1), kAck);
    line.write({readersim::kEnq});
    EXPECT_EQ(line.read(kReply.size() / 2), Bytes(kReply.begin(), kReply.begin() + 4));
    EXPECT_TRUE(hung_up(line.fd()));
  }
  reader.reconnect();
  EXPECT_EQ(std::filesystem::read_symlink(link), reader.slave_path());
  SlaveLine line(link);
  EXPECT_EQ(line.exchange(kRequest).reply, kReply);
}

TEST(Line, DisconnectHangsUpAnIdleLine) {
  VirtualReader reader;
  SlaveLine line(reader.slave_path());
  reader.disconnect();
  EXPECT_TRUE(hung_up(line.fd()));
}

// True when `path` opens as a terminal (the descriptor is closed again).
bool opens(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd >= 0) ::close(fd);
  return fd >= 0;
}

// A kiosk program retries its port while the reader is unplugged: neither the symlink nor the
// old path may lead it to another program's pseudo-terminal meanwhile.
TEST(Line, WhileUnpluggedTheOldPathLeadsToNoOtherLine) {
  const std::string link = ::testing::TempDir() + "readersim_plug_" + std::to_string(::getpid());
  VirtualReader reader({.link = link});
  const std::string unplugged = reader.slave_path();
  reader.disconnect();
  EXPECT_FALSE(opens(link));
  EXPECT_FALSE(opens(unplugged));
  int master = -1, slave = -1;
  char name[128];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  EXPECT_NE(std::string(name), unplugged) << "the unplugged line's number was handed out again";
  ::close(slave);
  ::close(master);

  reader.reconnect();
  EXPECT_NE(reader.slave_path(), unplugged);
  SlaveLine line(link);
  EXPECT_EQ(line.exchange(kRequest).reply, kReply);
}

TEST(Line, SymlinkIsRemovedWithTheReader) {
  const std::string link = ::testing::TempDir() + "readersim_gone_" + std::to_string(::getpid());
  { VirtualReader reader({.link = link}); }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(Line, RefusesToReplaceAFileThatIsNoSymlink) {
  const std::string path = ::testing::TempDir() + "readersim_file_" + std::to_string(::getpid());
  std::ofstream(path) << "keep me";
  EXPECT_THROW(VirtualReader({.link = path}), std::system_error);
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace readersim_test
