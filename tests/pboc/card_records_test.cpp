// Transaction log text, electronic cash balance and IC information.
#include <gmock/gmock.h>

#include <string>

#include "kernel_fixture.h"

namespace ferro_test {
namespace {

using ::testing::ElementsAre;
using namespace pboc_card;
using ferro::pboc_context;

constexpr std::size_t kLogCapacity = 5 + 99 * 107;
constexpr std::size_t kCanary = 16;

// A 45-byte log record: date, time, amounts, codes, merchant name, type, counter.
Bytes log_record(const Bytes& amount, const Bytes& merchant, const Bytes& atc) {
  return cat({hex("21 03 04"), hex("10 05 03"), amount, hex("00 00 00 00 00 00"), hex("01 56"),
              hex("01 56"), merchant, hex("00"), atc});
}

Bytes merchant(std::string_view name) {
  Bytes bytes = text_bytes(name);
  bytes.resize(20, 0x00);
  return bytes;
}

Bytes read_log(int n) {
  return Bytes{0x00, 0xB2, static_cast<std::uint8_t>(n), 0x5C, 0x00};
}

class LogTest : public KernelTest {
 protected:
  int read() {
    records.assign(kLogCapacity + kCanary, '#');
    return pboc_gettraderecord(records.data());
  }
  void add_records(int count, const Bytes& record) {
    for (int n = 1; n <= count; ++n) card.on(read_log(n), ok(record));
  }
  std::size_t written() const {
    return records.find_last_not_of('#') == std::string::npos ? 0
                                                              : records.find_last_not_of('#') + 1;
  }

  std::string records;
};

TEST_F(LogTest, EntriesAreFixedWidthTextAfterAHeader) {
  add_records(1, log_record(hex("00 00 00 01 23 45"), merchant("SHOP"), hex("00 2A")));
  card.on(read_log(2), ok(log_record(hex("00 00 00 00 00 10"), merchant("MARKET"), hex("FF FF"))));
  ASSERT_EQ(read(), 0);
  const std::string entry1 =
      std::string("P012000000012345Q012000000000000R0040156S006210304T00200") +
      "U006100503V0040156W020SHOP" + std::string(16, '\0') + "X00500042";
  const std::string entry2 =
      std::string("P012000000000010Q012000000000000R0040156S006210304T00200") +
      "U006100503V0040156W020MARKET" + std::string(14, '\0') + "X00565535";
  ASSERT_EQ(entry1.size(), 107u);
  EXPECT_EQ(records.substr(0, 5 + 2 * 107), "02107" + entry1 + entry2);
  EXPECT_EQ(records[5 + 2 * 107], '#');  // no terminating zero
}

TEST_F(LogTest, SelectionAndReadsGoAsTheLogReaderSays) {
  add_records(2, log_record(hex("00 00 00 00 00 01"), merchant("A"), hex("00 01")));
  card.on(select_command(kAid), hex("6A 82"));
  card.on(select_command(hex("A0 00 00 03 33 01 01 02")), hex("90 00"));
  ASSERT_EQ(read(), 0);
  std::vector<std::string> sent;
  for (const Bytes& command : card.commands) sent.push_back(to_hex(command));
  EXPECT_THAT(sent,
              ElementsAre("00A404000E315041592E5359532E4444463031", "00A4040008A000000333010101",
                          "00A4040008A000000333010102", "00B2015C00", "00B2025C00", "00B2035C00"));
  EXPECT_TRUE(pauses().empty());
}

TEST_F(LogTest, FailedApplicationSelectsPauseAndTheLogIsReadAllTheSame) {
  add_records(1, log_record(hex("00 00 00 00 00 01"), merchant("A"), hex("00 01")));
  card.on(select_command(text_bytes("1PAY.SYS.DDF01")), hex("6A 82"));  // status not examined
  card.on(hex("00 A4 04 00 08 A0 00 00 03 33 01 01"), {Answer{{}, -1}});
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(card.sent(hex("00 A4 04 00 08")).size(), 5u);
  EXPECT_THAT(pauses(), ElementsAre(100, 100, 100, 100, 100));
  EXPECT_EQ(records.substr(0, 5), "01107");
}

TEST_F(LogTest, TenRecordsGiveTenEntries) {
  add_records(10, log_record(hex("00 00 00 00 00 01"), merchant("A"), hex("00 01")));
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(records.substr(0, 5), "10107");
  EXPECT_EQ(written(), 1075u);
}

TEST_F(LogTest, AtMostNinetyNineEntriesAreRead) {
  card.on(hex("00 B2"), ok(log_record(hex("00 00 00 00 00 01"), merchant("A"), hex("00 01"))));
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(records.substr(0, 5), "99107");
  EXPECT_EQ(written(), kLogCapacity);
  EXPECT_EQ(card.sent(hex("00 B2")).size(), 99u);
}

TEST_F(LogTest, ShortRecordLeavesItsMissingFieldsZero) {
  card.on(read_log(1), ok(hex("21 03 04 10 05 03 00 00 00 01")));
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(records.substr(5, 16), "P012000000010000");
  EXPECT_EQ(records.substr(5 + 107 - 9, 9), "X00500000");
}

TEST_F(LogTest, NothingIsWrittenWithoutARecordOrAfterAFailure) {
  card.on(read_log(1), hex("6A 83"));
  EXPECT_EQ(read(), 0);
  EXPECT_EQ(written(), 0u);

  add_records(3, log_record(hex("00 00 00 00 00 01"), merchant("A"), hex("00 01")));
  card.on(read_log(4), {Answer{{}, -110}});
  EXPECT_EQ(read(), 146);
  EXPECT_EQ(written(), 0u);

  card.on(select_command(text_bytes("1PAY.SYS.DDF01")), {Answer{{}, 9}});
  EXPECT_EQ(read(), 9);
  card.poweron_result = 3;
  EXPECT_EQ(read(), 3);
  EXPECT_EQ(written(), 0u);
}

class BalanceTest : public KernelTest {
 protected:
  int read() {
    balance.fill(0xEE);
    return pboc_electronicbalance(balance.data());
  }
  std::array<unsigned char, 6 + kCanary> balance;
};

TEST_F(BalanceTest, IsTheValueOf9F79) {
  pboc_context.amount = {0, 0, 0, 0, 0x99, 0};
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(to_hex(balance.data(), 6), "000000010000");
  EXPECT_EQ(balance[6], 0xEE);
  EXPECT_EQ(pboc_context.amount, (std::array<std::uint8_t, 6>{}));
  EXPECT_EQ(to_hex(card.commands.back()), "80CA9F7900");
}

TEST_F(BalanceTest, GetDataAnswersGiveZerosOrTheFirstSixBytes) {
  struct {
    Answer answer;
    int result;
    const char* balance;
  } const cases[] = {
      {{hex("6A 88")}, 0, "000000000000"},
      {{{}, -1}, 255, "000000000000"},
      {{hex("9F 79 01 42 90 00")}, 0, "420000000000"},
      {{ok(tlv(hex("9F79"), hex("01 02 03 04 05 06 07 08")))}, 0, "010203040506"},
      {{Bytes(1024, 0x77)}, 0, "777777777777"},
  };
  for (const auto& c : cases) {
    card.on(hex("80 CA 9F 79"), {c.answer});
    EXPECT_EQ(read(), c.result);
    EXPECT_EQ(to_hex(balance.data(), 6), c.balance);
    EXPECT_EQ(balance[6], 0xEE);
  }
}

TEST_F(BalanceTest, StartFailureLeavesTheBalanceUntouched) {
  card.on(hex("80 A8"), hex("69 85"));
  EXPECT_EQ(read(), FERRO_MISSING_DATA);
  EXPECT_EQ(balance[0], 0xEE);
}

class IcInformationTest : public KernelTest {
 protected:
  int read() {
    data.fill(0xEE);
    data_len = -1;
    return pboc_geticinformation(data.data(), &data_len);
  }
  std::array<unsigned char, 2040 + kCanary> data;
  int data_len = 0;
};

TEST_F(IcInformationTest, IsRecordTwoThenRecordOneWithoutHeadersAndStatus) {
  card.on(read_record(1, 2), hex("70 04 5F 20 01 41 90 00"), kAid);
  card.on(read_record(1, 1), hex("70 03 9F 08 00 90 00"), kAid);
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(to_hex(data.data(), data_len), "5F2001419F0800");
  EXPECT_EQ(data[7], 0xEE);
  EXPECT_EQ(pboc_context.trans_type, 0x60);
  // No application records are read: GPO is followed directly by the two records.
  EXPECT_EQ(to_hex(card.commands[card.commands.size() - 3]).substr(0, 4), "80A8");
  EXPECT_TRUE(pauses().empty());
}

TEST_F(IcInformationTest, ShortRecordsContributeNothingAndLongOnesFit) {
  card.on(read_record(1, 2), hex("90 00"), kAid);
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(to_hex(data.data(), data_len), to_hex(kRecord1).substr(4, (kRecord1.size() - 4) * 2));

  card.on(read_record(1, 2), cat({Bytes(1022, 0x21), hex("90 00")}), kAid);
  card.on(read_record(1, 1), cat({Bytes(1022, 0x22), hex("90 00")}), kAid);
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(data_len, 2040);
  EXPECT_EQ(data[2039], 0x22);
  EXPECT_EQ(data[2040], 0xEE);
}

TEST_F(IcInformationTest, FailingRecordWritesNothing) {
  card.on(read_record(1, 1), hex("6A 83"), kAid);
  EXPECT_EQ(read(), FERRO_CARD_STATUS);
  EXPECT_EQ(data_len, -1);
  EXPECT_EQ(data[0], 0xEE);

  card.on(read_record(1, 2), {Answer{{}, -1}}, kAid);
  EXPECT_EQ(read(), 255);
  EXPECT_EQ(data[0], 0xEE);
}

}  // namespace
}  // namespace ferro_test
