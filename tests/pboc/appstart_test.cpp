// Application start and card number: selection, AID retries, processing options, records.
#include <gmock/gmock.h>

#include "kernel_fixture.h"

namespace ferro_test {
namespace {

using ::testing::ElementsAre;
using namespace pboc_card;
using ferro::pboc_context;

const Bytes kPse = text_bytes("1PAY.SYS.DDF01");

class AppStartTest : public KernelTest {
 protected:
  int read_card_number() {
    track2.assign(64, 0xEE);
    track2_len = -1;
    return pboc_readiccardNum(&track2_len, track2.data());
  }
  // Runs the whole start with record reading, without the card-number stop.
  int read_balance() {
    unsigned char balance[6];
    return pboc_electronicbalance(balance);
  }
  void set_afl(const char* afl) {
    card.on(hex("80 A8"), ok(tlv(hex("80"), cat({hex("7C 00"), hex(afl)}))));
  }
  std::vector<std::string> record_reads() const {
    std::vector<std::string> reads;
    for (const Bytes& command : card.sent(hex("00 B2"))) reads.push_back(to_hex(command));
    return reads;
  }
  std::string card_track2() const { return to_hex(track2.data(), track2_len); }

  Bytes track2;
  int track2_len = 0;
};

TEST_F(AppStartTest, CardNumberRunsTheStartAndStopsAtTrack2Data) {
  ASSERT_EQ(read_card_number(), 0);
  EXPECT_EQ(card_track2(), to_hex(kTrack2));
  const Bytes pdol_data =
      hex("54000000 000000000000 000000000000 0156 800004E800 0156 210304 60 00000000");
  EXPECT_EQ(card.commands, (std::vector<Bytes>{
                               select_command(kPse),
                               hex("00 B2 01 0C 00"),
                               select_command(kAid),
                               cat({hex("80 A8 00 00 23 83 21"), pdol_data, hex("00")}),
                               hex("00 B2 01 0C 00"),
                           }));
  EXPECT_THAT(card.events, ElementsAre("poweron", "apdu", "apdu", "apdu", "apdu", "apdu"));
  EXPECT_THAT(pauses(), ElementsAre(50));
  EXPECT_FALSE(pboc_context.stop_after_track2);
  EXPECT_EQ(pboc_context.trans_type, 0x60);
  EXPECT_EQ(to_hex(pboc_context.aip.data(), 2), "7C00");
}

TEST_F(AppStartTest, Track2InTheSecondRecordReadsTwoRecordsAndNoGetData) {
  card.on(read_record(1, 1), kRecord2, kAid);
  card.on(read_record(1, 2), kRecord1, kAid);
  ASSERT_EQ(read_card_number(), 0);
  EXPECT_EQ(card_track2(), to_hex(kTrack2));
  EXPECT_THAT(record_reads(), ElementsAre("00B2010C00", "00B2010C00", "00B2020C00"));
  EXPECT_TRUE(card.sent(hex("80 CA")).empty());
}

TEST_F(AppStartTest, FullReadingDrawsTheNumberAndAsksForTheCounter) {
  ASSERT_EQ(read_balance(), 0);
  EXPECT_THAT(record_reads(), ElementsAre("00B2010C00", "00B2010C00", "00B2020C00", "00B2011400"));
  EXPECT_THAT(pauses(), ElementsAre(50, 50, 50));
  EXPECT_EQ(to_hex(card.sent(hex("80 CA")).front()), "80CA9F3600");
  EXPECT_EQ(pboc_context.pan_seq, 0x01);
  EXPECT_EQ(pboc_context.cdol1_len, 27);
  EXPECT_EQ(pboc_context.cdol2_len, 27);
  EXPECT_NE(pboc_context.unpredictable_number, (std::array<std::uint8_t, 4>{}));
}

struct DirectoryCase {
  const char* sfi;
  const char* p2;
};

class DirectorySfiTest : public AppStartTest,
                         public ::testing::WithParamInterface<DirectoryCase> {};

TEST_P(DirectorySfiTest, DirectoryRecordIsReadWithTheSfisP2) {
  card.on(select_command(kPse), ok(tlv(hex("6F"), tlv(hex("88"), hex(GetParam().sfi)))));
  card.on(cat({hex("00 B2 01"), hex(GetParam().p2)}), ok(tlv(hex("70"), tlv(hex("4F"), kAid))),
          kPse);
  ASSERT_EQ(read_card_number(), 0);
  EXPECT_EQ(to_hex(card.commands[1]), "00B201" + std::string(GetParam().p2) + "00");
}

INSTANTIATE_TEST_SUITE_P(Sfis, DirectorySfiTest,
                         ::testing::Values(DirectoryCase{"01", "0C"}, DirectoryCase{"02", "14"},
                                           DirectoryCase{"06", "34"}, DirectoryCase{"07", "0C"},
                                           DirectoryCase{"00", "0C"}, DirectoryCase{"", "0C"}));

TEST_F(AppStartTest, ApplicationSelectIsTriedFourTimesWithGrowingAids) {
  card.on(hex("00 A4 04 00 08 A0 00 00 03 33 01 01"), hex("6A 82"));
  EXPECT_EQ(read_card_number(), FERRO_CARD_STATUS);
  std::vector<std::string> aids;
  for (const Bytes& command : card.sent(hex("00 A4 04 00 08"))) aids.push_back(to_hex(command));
  EXPECT_THAT(aids, ElementsAre("00A4040008A000000333010101", "00A4040008A000000333010102",
                                "00A4040008A000000333010104", "00A4040008A000000333010107"));
  EXPECT_TRUE(card.sent(hex("80 A8")).empty());
}

TEST_F(AppStartTest, ApplicationSelectGoesOnWithTheAidThatAnswered) {
  card.on(hex("00 A4 04 00 08 A0 00 00 03 33 01 01"), hex("6A 82"));
  card.on(select_command(hex("A0 00 00 03 33 01 01 04")),
          ok(tlv(hex("6F"), tlv(hex("9F38"), hex("9C 01")))));
  EXPECT_EQ(read_card_number(), 0);
  EXPECT_EQ(card.sent(hex("00 A4 04 00 08")).size(), 3u);
  EXPECT_EQ(to_hex(card.sent(hex("80 A8")).front()),
            "80A8000003830160"
            "00");
}

TEST_F(AppStartTest, ShortAidIsSentUnchangedOnEveryAttempt) {
  const Bytes aid = hex("A0 00 00 03 33");
  card.on(hex("00 B2 01 0C"), ok(tlv(hex("70"), tlv(hex("4F"), aid))), kPse);
  EXPECT_EQ(read_card_number(), FERRO_CARD_STATUS);
  EXPECT_EQ(card.sent(select_command(aid)).size(), 4u);
}

TEST_F(AppStartTest, AflEntriesAreReadInOrder) {
  struct {
    const char* afl;
    std::vector<std::string> reads;
  } const cases[] = {
      {"08 01 03 00", {"00B2010C00", "00B2020C00", "00B2030C00"}},
      {"10 03 01 00", {}},
      {"08 02 02 00 10 01 01 00 FF FF", {"00B2020C00", "00B2011400"}},  // partial entry ignored
      {"", {}},
  };
  for (const auto& c : cases) {
    SetUp();
    set_afl(c.afl);
    EXPECT_EQ(read_balance(), 0) << c.afl;
    auto reads = record_reads();
    reads.erase(reads.begin());  // the directory record
    EXPECT_EQ(reads, c.reads) << c.afl;
    EXPECT_EQ(pauses().size(), c.reads.size()) << c.afl;
    card.commands.clear();
  }
}

TEST_F(AppStartTest, FailedRecordReadEndsItsEntryButNotTheOperation) {
  set_afl("08 01 03 00 10 01 01 00");
  card.on(read_record(1, 2), {Answer{{}, -1}}, kAid);
  EXPECT_EQ(read_balance(), 0);
  EXPECT_THAT(record_reads(), ElementsAre("00B2010C00", "00B2010C00", "00B2020C00", "00B2011400"));
  EXPECT_EQ(card.sent(hex("80 CA 9F 36")).size(), 1u);
}

TEST_F(AppStartTest, ErrorStatusOfARecordIsNotExamined) {
  card.on(read_record(1, 1), cat({tlv(hex("70"), tlv(hex("57"), kTrack2)), hex("6A 83")}), kAid);
  EXPECT_EQ(read_card_number(), 0);
  EXPECT_EQ(card_track2(), to_hex(kTrack2));
}

struct Track2Case {
  const char* name;
  Bytes record;
  bool taken;
};

class Track2Test : public AppStartTest, public ::testing::WithParamInterface<Track2Case> {};

TEST_P(Track2Test, OnlyWellFormedTrack2DataIsTaken) {
  card.on(read_record(1, 1), GetParam().record, kAid);
  ASSERT_EQ(read_card_number(), 0);
  EXPECT_EQ(track2_len > 0, GetParam().taken);
}

const Bytes k13(13, 0x11), k14(14, 0x11), k36(36, 0x11), k37(37, 0x11);

INSTANTIATE_TEST_SUITE_P(
    Records, Track2Test,
    ::testing::Values(
        Track2Case{"length_13", ok(tlv(hex("70"), tlv(hex("57"), k13))), false},
        Track2Case{"length_14", ok(tlv(hex("70"), tlv(hex("57"), k14))), true},
        Track2Case{"length_36", ok(tlv(hex("70"), tlv(hex("57"), k36))), true},
        Track2Case{"length_37", ok(tlv(hex("70"), tlv(hex("57"), k37))), false},
        Track2Case{"long_length_form", ok(cat({hex("70 81 10"), tlv(hex("57"), k14)})), false},
        Track2Case{"not_a_template", ok(cat({hex("77 10"), tlv(hex("57"), k14)})), false},
        Track2Case{"value_past_template", ok(cat({hex("70 0A"), tlv(hex("57"), k14)})), false},
        Track2Case{"template_past_reply", cat({hex("70 40"), tlv(hex("57"), k14)}), true},
        Track2Case{"cut_short", hex("70 10 57 0E 11 11"), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppStartTest, PanSequenceNumberIsTheByteAfter5F3401) {
  card.on(read_record(1, 2), ok(tlv(hex("70"), hex("9F 08 02 5F 34 01 07"))), kAid);
  ASSERT_EQ(read_balance(), 0);
  EXPECT_EQ(pboc_context.pan_seq, 0x07);
  SetUp();
  card.on(read_record(1, 2), ok(hex("70 03 5F 34 01 07")), kAid);  // its byte lies outside
  ASSERT_EQ(read_balance(), 0);
  EXPECT_EQ(pboc_context.pan_seq, 0x00);
}

TEST_F(AppStartTest, CardWithoutTrack2HandsOutWhatTheContextHolds) {
  card.on(read_record(1, 1), kRecord2, kAid);
  ASSERT_EQ(read_card_number(), 0);
  EXPECT_EQ(track2_len, 0);
  EXPECT_TRUE(pboc_context.stop_after_track2);
  // The flag left set stops the next operation's reading at the first track 2 data it meets.
  card.on(read_record(1, 2), kRecord1, kAid);
  card.commands.clear();
  ASSERT_EQ(read_balance(), 0);
  EXPECT_THAT(record_reads(), ElementsAre("00B2010C00", "00B2010C00", "00B2020C00"));
  EXPECT_TRUE(card.sent(hex("80 CA 9F 36")).empty());
}

struct CdolCase {
  const char* name;
  Bytes record;
  int cdol1_len;
  int cdol2_len;
};

class CdolTest : public AppStartTest, public ::testing::WithParamInterface<CdolCase> {};

TEST_P(CdolTest, CdolsArePickedByLength) {
  card.on(read_record(2, 1), GetParam().record, kAid);
  ASSERT_EQ(read_balance(), 0);
  EXPECT_EQ(pboc_context.cdol1_len, GetParam().cdol1_len);
  EXPECT_EQ(pboc_context.cdol2_len, GetParam().cdol2_len);
}

Bytes filler(std::size_t n) {
  return Bytes(n, 0x9C);
}

INSTANTIATE_TEST_SUITE_P(
    Records, CdolTest,
    ::testing::Values(
        CdolCase{"pboc_27_with_cdol2", cdol_record(filler(27), filler(29)), 27, 29},
        CdolCase{"cdol1_26", cdol_record(filler(26), filler(29)), 0, 0},
        CdolCase{"cdol1_32", cdol_record(filler(32), filler(29)), 0, 0},
        CdolCase{"cdol1_28_cdol2_not_taken", cdol_record(filler(28), filler(30)), 28, 0},
        CdolCase{"cdol1_31", cdol_record(filler(31), filler(3)), 31, 0},
        CdolCase{"cdol2_over_100", ok(cat({tlv(hex("8C"), filler(27)), hex("8D 65"), filler(101)})),
                 27, 0},
        CdolCase{"cdol2_past_reply", cat({tlv(hex("8C"), filler(27)), hex("8D 10 9C")}), 27, 0},
        CdolCase{"cdol1_past_reply", cat({hex("70 1D 8C 1B"), filler(20)}), 0, 0},
        CdolCase{"in_a_long_record",
                 ok(cat({hex("70 81 FD"), filler(200), tlv(hex("8C"), filler(27)), filler(24)})),
                 27, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  Bytes prefix;
  Answer answer;
  Bytes df;
  int result;
};

class StartFailureTest : public AppStartTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartFailureTest, StartStopsWithTheStepsCode) {
  card.on(GetParam().prefix, {GetParam().answer}, GetParam().df);
  EXPECT_EQ(read_card_number(), GetParam().result);
  EXPECT_EQ(track2_len, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartFailureTest,
    ::testing::Values(
        FailureCase{"pse_status", select_command(kPse), {hex("6A 82")}, {}, 2},
        FailureCase{"pse_transport", select_command(kPse), {{}, -1}, {}, 255},
        FailureCase{"pse_without_88", select_command(kPse), {ok(hex("6F 00"))}, {}, -1},
        FailureCase{"directory_status", hex("00 B2 01 0C"), {hex("6A 83")}, kPse, -1},
        FailureCase{"directory_transport", hex("00 B2 01 0C"), {{}, -101}, kPse, 155},
        FailureCase{"directory_without_4F", hex("00 B2 01 0C"), {ok(hex("70 00"))}, kPse, -1},
        FailureCase{"application_without_9F38", select_command(kAid), {ok(hex("6F 00"))}, {}, -1},
        FailureCase{"gpo_status", hex("80 A8"), {hex("69 85")}, {}, -1},
        FailureCase{"gpo_without_80", hex("80 A8"), {ok(hex("77 02 82 00"))}, {}, -1},
        FailureCase{"gpo_transport", hex("80 A8"), {{}, 4}, {}, 4},
        FailureCase{"pdol_data_over_100",
                    select_command(kAid),
                    {ok(tlv(hex("9F38"), hex("9F4E 60 9F03 05")))},
                    {},
                    FERRO_BAD_CARD_DATA}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppStartTest, OversizedPdolDataIsNeverSent) {
  card.on(select_command(kAid), ok(tlv(hex("9F38"), hex("9F4E 60 9F03 05"))));
  EXPECT_EQ(read_card_number(), FERRO_BAD_CARD_DATA);
  EXPECT_TRUE(card.sent(hex("80 A8")).empty());
}

TEST_F(AppStartTest, GetResponseFollows61xx) {
  const Bytes fci = ok(tlv(hex("6F"), tlv(hex("88"), hex("01"))));
  card.on(select_command(kPse), hex("61 07"));
  card.on(hex("00 C0 00 00 07"), fci);
  card.on(hex("80 A8"), hex("61 0C"));
  card.on(hex("00 C0 00 00 0C"), ok(tlv(hex("80"), hex("7C 00 08 01 01 00"))));
  ASSERT_EQ(read_card_number(), 0);
  EXPECT_EQ(to_hex(card.commands[1]), "00C0000007");
  EXPECT_EQ(to_hex(card.commands[5]), "00C000000C");
  EXPECT_EQ(card_track2(), to_hex(kTrack2));
}

TEST_F(AppStartTest, SelectsGetResponseIsJudgedByItsStatusOnly) {
  card.on(select_command(kPse), hex("61 07"));
  card.on(hex("00 C0 00 00 07"), {Answer{ok(tlv(hex("88"), hex("01"))), 255}});
  EXPECT_EQ(read_card_number(), 0);
}

TEST_F(AppStartTest, GetProcessingOptionsGetResponseFailureIsReturned) {
  card.on(hex("80 A8"), hex("61 0C"));
  card.on(hex("00 C0 00 00 0C"), {Answer{{}, -1}});
  EXPECT_EQ(read_card_number(), 255);
}

}  // namespace
}  // namespace ferro_test
