// The reader's side of the line, byte by byte: link answers, command replies, card entry.
#include <gtest/gtest.h>

#include <functional>

#include "hex_bytes.h"
#include "readersim/virtual_reader.h"
#include "slave_line.h"

namespace readersim_test {
namespace {

using readersim::Card;
using readersim::Position;
using readersim::ReaderState;
using readersim::VirtualReader;
namespace error = readersim::error;

Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

using test_support::cat;

// Reply text of a decoded read: "P", then each track's characters (0x60 when empty) and 0x00.
Bytes decoded(std::initializer_list<std::string> tracks) {
  Bytes out = text("P");
  for (const std::string& t : tracks) out = cat(cat(out, t.empty() ? Bytes{0x60} : text(t)), {0});
  return out;
}

Card three_track_card() {
  return readersim::load_card(readersim::cards_dir() / "three_track_card.json");
}

class Wire : public ::testing::Test {
 protected:
  VirtualReader reader_;
  SlaveLine line_{reader_.slave_path()};
};

TEST_F(Wire, PositionQueryIsAckedAndAnsweredAfterEnq) {
  const Bytes request{0x02, 0x00, 0x02, 0x31, 0x30, 0x03, 0x02};
  line_.write(request);
  EXPECT_EQ(line_.read(1), Bytes{0x06});
  EXPECT_EQ(line_.read_all(100ms), Bytes{}) << "the reply waits for ENQ";
  line_.write({0x05});
  EXPECT_EQ(line_.read_frame(), (Bytes{0x02, 0x00, 0x04, 0x50, 0x31, 0x30, 0x35, 0x03, 0x61}));

  EXPECT_EQ(reader_.received(), cat(request, {0x05}));
  EXPECT_EQ(reader_.sent(), (Bytes{0x06, 0x02, 0x00, 0x04, 0x50, 0x31, 0x30, 0x35, 0x03, 0x61}));
  ASSERT_EQ(reader_.requests().size(), 1u);
  EXPECT_EQ(reader_.requests()[0], (readersim::Request{'1', '0', {}}));
  EXPECT_EQ(reader_.protocol_errors(), 0u);
}

TEST_F(Wire, LoneEotIsAnsweredWithEot) {
  line_.write({readersim::kEot});
  EXPECT_EQ(line_.read(1), Bytes{readersim::kEot});
}

TEST_F(Wire, TestFrameGetsNoAnswerAtAll) {
  line_.write({0x02, 0x00, 0x02, 0x92, 0x92, 0x03, 0x03});
  EXPECT_EQ(line_.read_all(), Bytes{});
  EXPECT_EQ(reader_.requests().size(), 1u);
  EXPECT_EQ(reader_.protocol_errors(), 0u);
  EXPECT_EQ(line_.ask('1', '0'), text("P5")) << "the line still works";
}

// Frames the reader refuses with NAK, each counted as one protocol error.
struct BadFrame {
  const char* name;
  Bytes bytes;
};

void PrintTo(const BadFrame& c, std::ostream* os) {
  *os << c.name;
}

class RefusedFrame : public Wire, public ::testing::WithParamInterface<BadFrame> {};

TEST_P(RefusedFrame, IsNakedAndCounted) {
  line_.write(GetParam().bytes);
  EXPECT_EQ(line_.read(1), Bytes{readersim::kNak});
  EXPECT_EQ(line_.read_all(100ms), Bytes{});
  EXPECT_EQ(reader_.protocol_errors(), 1u);
  EXPECT_TRUE(reader_.requests().empty());
  EXPECT_EQ(line_.ask('1', '0'), text("P5")) << "the next frame is served";
}

INSTANTIATE_TEST_SUITE_P(
    Wire, RefusedFrame,
    ::testing::Values(BadFrame{"WrongBcc", {0x02, 0x00, 0x02, 0x31, 0x30, 0x03, 0x03}},
                      BadFrame{"NoEtx", {0x02, 0x00, 0x02, 0x31, 0x30, 0x04, 0x05}},
                      BadFrame{"LengthBelowTwo", {0x02, 0x00, 0x01, 0x31, 0x03, 0x31}},
                      BadFrame{"LengthBeyondLimit", {0x02, 0xFF, 0xFF, 0x31, 0x30, 0x03, 0x02}},
                      BadFrame{"CutShort", {0x02, 0x00, 0x02, 0x31}},
                      BadFrame{"InterleavedByte",
                               {0x02, 0x00, 0x02, 0x31, 0x04, 0x30, 0x03, 0x02}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Wire, StrayBytesAreCountedAndIgnored) {
  line_.write({0x05, 0x41});
  EXPECT_EQ(line_.read_all(), Bytes{});
  EXPECT_EQ(reader_.protocol_errors(), 2u);
}

TEST_F(Wire, NewFrameInsteadOfEnqDropsTheFirstRequest) {
  line_.write(readersim::encode_request('1', '0'));
  EXPECT_EQ(line_.read(1), Bytes{readersim::kAck});
  EXPECT_EQ(line_.ask('Q', '0'), text("P000"));
  EXPECT_EQ(reader_.protocol_errors(), 1u);
}

// One request with the reader prepared by `setup`; the reply's status byte and data.
struct Case {
  const char* name;
  std::function<void(VirtualReader&)> setup;
  std::uint8_t cm;
  std::uint8_t pm;
  Bytes data;
  Bytes reply;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

std::function<void(VirtualReader&)> card_at(Position where,
                                            Card card = readersim::default_bank_card()) {
  return [=](VirtualReader& r) { r.place_card(card, where); };
}

void nothing(VirtualReader&) {}

const std::string kTrack2 = readersim::default_bank_card().tracks[1];

class Command : public Wire, public ::testing::WithParamInterface<Case> {};

TEST_P(Command, Replies) {
  GetParam().setup(reader_);
  EXPECT_EQ(line_.ask(GetParam().cm, GetParam().pm, GetParam().data), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Wire, Command,
    ::testing::Values(
        Case{"PositionEmpty", nothing, '1', '0', {}, text("P5")},
        Case{"PositionGate", card_at(Position::Gate), '1', '0', {}, text("P0")},
        Case{"PositionReadHead", card_at(Position::ReadHead), '1', '0', {}, text("P1")},
        Case{"PositionContacts", card_at(Position::IcContacts), '1', '0', {}, text("P2")},
        Case{"SensorsGate", card_at(Position::Gate), '1', '1', {}, text("P1000000")},
        Case{"SensorsReadHead", card_at(Position::ReadHead), '1', '1', {}, text("P0010000")},
        Case{"Voltages",
             card_at(Position::Gate),
             '1',
             '2',
             {},
             Bytes{'P', 5, 45, 45, 45, 45, 45, 45, 50, 120, 0, 0, 33}},
        Case{"DecodedBankCard", card_at(Position::ReadHead), '7', '1', {}, decoded({"", kTrack2})},
        Case{"DecodedAllThreeTracks",
             card_at(Position::ReadHead, three_track_card()),
             '7',
             '0',
             {},
             decoded({three_track_card().tracks[0], kTrack2, three_track_card().tracks[2]})},
        Case{"DecodedTrackThreeEmpty", card_at(Position::ReadHead), '7', '5', {}, decoded({""})},
        Case{"DecodedBeforeAnyCard", nothing, '7', '1', {}, Bytes{'N', error::kNoMagneticData}},
        Case{"RawTrackTwo",
             [](VirtualReader& r) {
               Card c;
               c.tracks[1] = "1";
               r.place_card(c, Position::ReadHead);
             },
             '8',
             '4',
             {},
             Bytes{'P', '2', 0x00, 0x03, 0x2B, 0xFC, 0x0A}},
        Case{"RawEmptyTrack", card_at(Position::ReadHead), '8', '3', {}, Bytes{'P', '1', 0, 0}},
        Case{"MoveWithoutCard", nothing, '3', '4', {}, Bytes{'N', error::kNoCard}},
        Case{"EntryWithCardInside",
             card_at(Position::ReadHead),
             '2',
             '1',
             {},
             Bytes{'N', error::kCardPosition}},
        Case{"PowerOnAwayFromContacts",
             card_at(Position::ReadHead),
             'E',
             '0',
             {},
             Bytes{'N', error::kCardPosition}},
        Case{"PowerOnAtContacts", card_at(Position::IcContacts), 'E', '0', {}, text("P")},
        Case{"AutoTestWithoutCard", nothing, '4', '0', {}, text("P1")},
        Case{"AutoTestNoChip", card_at(Position::IcContacts), '4', '1', {}, text("P2")},
        Case{"AutoTestSetByTest",
             [](VirtualReader& r) { r.update_state([](ReaderState& s) { s.ic_test = '0'; }); },
             '4',
             '0',
             {},
             text("P0")},
        Case{"Reset", nothing, '0', '0', {}, text("PREADERSIM V1.00")},
        Case{"Barcode",
             card_at(Position::ReadHead, three_track_card()),
             'I',
             '0',
             {},
             text("PTEST0001")},
        Case{"NoBarcode", card_at(Position::ReadHead), 'I', '0', {}, Bytes{'N', error::kNoBarcode}},
        Case{"RetainedCounter",
             [](VirtualReader& r) { r.update_state([](ReaderState& s) { s.retained = 42; }); },
             'Q',
             '0',
             {},
             text("P042")},
        Case{"MachineIdEmpty", nothing, 0x90, '0', {}, Bytes{'P', 0}},
        Case{"MachineIdCountMismatch", nothing, 0x90, '1', Bytes{3, 'A'},
             Bytes{'N', error::kBadData}},
        Case{"MachineIdTooLong", nothing, 0x90, '1', cat({92}, Bytes(92, 'A')),
             Bytes{'N', error::kBadData}},
        Case{"FlickerRateZero", nothing, '5', '3', Bytes{0}, Bytes{'N', error::kBadData}},
        Case{"DataWhereNoneBelongs", nothing, '1', '0', Bytes{0x00}, Bytes{'N', error::kBadData}},
        Case{"UnknownParameter", nothing, '1', '9', {}, Bytes{'N', error::kBadParameter}},
        Case{"UnknownBaudParameter", nothing, 'F', '8', {}, Bytes{'N', error::kBadParameter}},
        Case{"UnknownCommand", nothing, 'Z', '0', {}, Bytes{'N', error::kUnknownCommand}}),
    [](const auto& info) { return std::string(info.param.name); });

// Commands that change the reader's state, checked through its accessors.
TEST_F(Wire, StateChangingCommands) {
  EXPECT_EQ(line_.ask('5', '3', {10}), text("P"));
  EXPECT_EQ(line_.ask('6', '2'), text("P"));
  EXPECT_EQ(line_.ask('F', '7'), text("P"));
  EXPECT_EQ(line_.ask(0x92, '1'), text("P"));
  EXPECT_EQ(line_.ask(0x90, '1', {3, 'M', '0', '7'}), text("P"));
  EXPECT_EQ(line_.ask(0x90, '0'), (Bytes{'P', 3, 'M', '0', '7'}));
  ReaderState s = reader_.state();
  EXPECT_EQ(s.leds[0].flicker, 10);
  EXPECT_EQ(s.leds[1].mode, readersim::LedMode::Flash);
  EXPECT_EQ(s.baud, 115200u);
  EXPECT_TRUE(s.external_io);
  EXPECT_EQ(line_.ask('0', '0'), text("PREADERSIM V1.00"));
  EXPECT_EQ(reader_.state().leds[1].mode, readersim::LedMode::Off) << "reset turns the LEDs off";
}

TEST_F(Wire, CardTravelsThroughEntryMovesAndRetain) {
  reader_.insert_card(readersim::default_bank_card());
  EXPECT_EQ(line_.ask('1', '0'), text("P0"));
  EXPECT_EQ(line_.ask('2', '2'), text("P")) << "a card waiting at the gate is taken in at once";
  EXPECT_EQ(line_.ask('1', '0'), text("P2"));
  EXPECT_EQ(line_.ask('E', '0'), text("P"));
  EXPECT_TRUE(reader_.state().contact_power);
  EXPECT_EQ(line_.ask('3', '1'), text("P"));
  EXPECT_FALSE(reader_.state().contact_power) << "leaving the contacts cuts their power";
  EXPECT_EQ(line_.ask('3', '4'), text("P"));
  EXPECT_EQ(line_.ask('1', '0'), text("P0"));
  EXPECT_EQ(line_.ask('3', '5'), text("P"));
  EXPECT_EQ(line_.ask('1', '0'), text("P5"));
  EXPECT_EQ(line_.ask('Q', '0'), text("P001"));
  EXPECT_EQ(line_.ask('Q', '1'), text("P"));
  EXPECT_EQ(line_.ask('Q', '0'), text("P000"));
}

TEST_F(Wire, RetainedCounterStopsAtNineHundredNinetyNine) {
  reader_.update_state([](ReaderState& s) { s.retained = readersim::kMaxRetained; });
  reader_.place_card(readersim::default_bank_card(), Position::ReadHead);
  EXPECT_EQ(line_.ask('3', '5'), text("P"));
  EXPECT_EQ(line_.ask('Q', '0'), text("P999"));
}

TEST_F(Wire, ClearedMagneticDataIsGoneUntilTheNextEntry) {
  reader_.place_card(readersim::default_bank_card(), Position::ReadHead);
  EXPECT_EQ(line_.ask('7', '9'), text("P"));
  EXPECT_EQ(line_.ask('7', '1'), (Bytes{'N', error::kNoMagneticData}));
  EXPECT_EQ(line_.ask('3', '4'), text("P"));
  EXPECT_EQ(line_.ask('3', '1'), text("P")) << "pulled back in past the head";
  EXPECT_EQ(line_.ask('7', '4'), decoded({kTrack2}));
}

TEST_F(Wire, EntryWaitsForTheCardThenReplies) {
  line_.write(readersim::encode_request('2', '1'));
  EXPECT_EQ(line_.read(1), Bytes{readersim::kAck});
  line_.write({readersim::kEnq});
  ASSERT_TRUE(reader_.wait_for_entry(2s));
  EXPECT_EQ(line_.read_all(100ms), Bytes{});
  reader_.insert_card(readersim::default_bank_card());
  EXPECT_EQ(line_.read_frame(), readersim::encode_reply('P', '2', '1'));
  EXPECT_EQ(reader_.state().position(), Position::ReadHead);
  EXPECT_EQ(line_.ask('7', '1').size(), 3 + kTrack2.size() + 1) << "the head read the card";
}

TEST_F(Wire, EotCancelsAPendingEntry) {
  line_.write(readersim::encode_request('2', '1'));
  EXPECT_EQ(line_.read(1), Bytes{readersim::kAck});
  line_.write({readersim::kEnq});
  ASSERT_TRUE(reader_.wait_for_entry(2s));
  line_.write({readersim::kEot});
  EXPECT_EQ(line_.read_all(), Bytes{readersim::kEot});
  EXPECT_FALSE(reader_.wait_for_entry(0ms));
  reader_.insert_card(readersim::default_bank_card());
  EXPECT_EQ(line_.read_all(), Bytes{}) << "the cancelled entry does not take the card";
  EXPECT_EQ(line_.ask('1', '0'), text("P0"));
  EXPECT_EQ(reader_.protocol_errors(), 0u);
}

TEST_F(Wire, CardTakenFromTheGateLeavesTheReaderEmpty) {
  EXPECT_FALSE(reader_.remove_card());
  reader_.place_card(readersim::default_bank_card(), Position::ReadHead);
  EXPECT_FALSE(reader_.remove_card()) << "a card inside cannot be taken";
  EXPECT_EQ(line_.ask('3', '4'), text("P"));
  EXPECT_TRUE(reader_.remove_card());
  EXPECT_EQ(line_.ask('1', '0'), text("P5"));
}

TEST_F(Wire, ConversationsAreRecordedInOrder) {
  EXPECT_EQ(line_.ask('1', '0'), text("P5"));
  EXPECT_EQ(line_.ask('1', '1'), text("P0000000"));
  auto c = reader_.conversations();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].cm, '1');
  EXPECT_LE(c[0].start, c[0].end);
  EXPECT_LE(c[0].end, c[1].start);
  EXPECT_LE(c[1].start, c[1].end);
  reader_.clear_recording();
  EXPECT_TRUE(reader_.conversations().empty());
  EXPECT_TRUE(reader_.received().empty());
}

TEST(Pacing, EachByteTakesTenBitTimes) {
  VirtualReader reader({.link = "", .pace_baud = 1200});
  SlaveLine line(reader.slave_path());
  EXPECT_EQ(line.ask('1', '0'), text("P5"));
  auto c = reader.conversations();
  ASSERT_EQ(c.size(), 1u);
  // ACK and a 9-byte reply at 1200 baud: at least 10 byte times of 8.33 ms.
  EXPECT_GE(c[0].end - c[0].start, 10 * std::chrono::microseconds(8333) - 1ms);
}

TEST(Recording, CountsOnlyKeepsNoBytesButCountsRequestsAndErrors) {
  VirtualReader reader({.link = "", .pace_baud = 0, .record = false});
  SlaveLine line(reader.slave_path());
  EXPECT_EQ(line.ask('1', '0'), text("P5"));
  line.write({0x55});  // a stray byte
  line.write({0x02, 0x00, 0x02, 0x31, 0x30, 0x03, 0x02});
  EXPECT_EQ(line.read(1), Bytes{0x06});
  EXPECT_EQ(reader.request_count(), 2u);
  EXPECT_EQ(reader.protocol_errors(), 1u);
  EXPECT_TRUE(reader.received().empty());
  EXPECT_TRUE(reader.sent().empty());
  EXPECT_TRUE(reader.requests().empty());
  EXPECT_TRUE(reader.conversations().empty());
}

}  // namespace
}  // namespace readersim_test
