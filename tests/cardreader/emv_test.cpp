// Fixed EMV commands, the card number from tag 57, the identity number and the card-information
// read on the virtual reader.
#include <algorithm>
#include <cstring>
#include <functional>

#include "chip_fixture.h"

namespace tarn_test {
namespace {

const Bytes kSelectPse = hex("00 A4 04 00 0E 31 50 41 59 2E 53 59 53 2E 44 44 46 30 31");
const Bytes kReadRecord = hex("00 B2 01 0C 00");
const Bytes kSelectApp = hex("00 A4 04 00 08 A0 00 00 03 33 01 01 01");
const Bytes kGpo = hex("80 A8 00 00 0B 83 09 01 00 00 00 00 04 00 01 56");

struct EmvCommand {
  const char* name;
  int (*contact)(TARN_HANDLE);
  int (*contactless)(TARN_HANDLE);
  const Bytes& apdu;
};

const EmvCommand kCommands[] = {
    {"SelectPSE", Tarn_SelectPSE, Tarn_CPUTypeASelectPSE, kSelectPse},
    {"ReadPSEDirFile", Tarn_ReadPSEDirFile, Tarn_CPUTypeAReadPSEDirFile, kReadRecord},
    {"SelectADFFile", Tarn_SelectADFFile, Tarn_CPUTypeASelectADFFile, kSelectApp},
    {"GPOCMD", Tarn_GPOCMD, Tarn_CPUTypeAGPOCMD, kGpo},
};

TEST_F(ChipWireTest, SelectPseGoesOutInTwentyEightBytes) {
  next_response(hex("6A 82"));
  EXPECT_EQ(Tarn_SelectPSE(port_), 1);
  const Bytes frame = {0x02, 0x00, 0x17, 0x39, 0x33, 0x00, 0x13, 0x00, 0xA4, 0x04,
                       0x00, 0x0E, 0x31, 0x50, 0x41, 0x59, 0x2E, 0x53, 0x59, 0x53,
                       0x2E, 0x44, 0x44, 0x46, 0x30, 0x31, 0x03, 0xC6};
  EXPECT_EQ(sent(), frame_then_enq(frame));
}

TEST_F(ChipWireTest, EachCommandSendsItsApduAndJudgesTheStatusWord) {
  for (const auto& c : kCommands) {
    next_response(hex("6F 00 90 00"));
    EXPECT_EQ(c.contact(port_), TARN_OK) << c.name;
    EXPECT_EQ(sent(), frame_then_enq(t0_frame(c.apdu))) << c.name;
    next_response(hex("90 00 69 85"));
    EXPECT_EQ(c.contact(port_), 1) << c.name;
    next_response(hex("90"));
    EXPECT_EQ(c.contact(port_), 1) << c.name << ": one byte has no status word";
    next_response({});
    EXPECT_EQ(c.contact(port_), 1) << c.name;

    sent();
    reader_.set_next_reply('G', hex("00 90 00"));
    EXPECT_EQ(c.contactless(port_), TARN_OK) << c.name;
    EXPECT_EQ(sent(), frame_then_enq(contactless_frame(c.apdu))) << c.name;
    reader_.set_next_error('G', '3');
    EXPECT_EQ(c.contactless(port_), '3') << c.name;
    sent();
  }
  for (const auto& c : std::span(kCommands).first(3)) {
    reader_.set_next_reply('G', hex("00 69 85"));
    EXPECT_EQ(c.contactless(port_), 1) << c.name;
  }
  reader_.set_next_reply('G', hex("00 69 85"));
  EXPECT_EQ(Tarn_CPUTypeAGPOCMD(port_), TARN_OK) << "the contactless GPO judges no status";
}

struct NumberCase {
  const char* name;
  Bytes response;
  int result;
  int digits;
  Bytes number;  // the bytes written; the rest of the buffer keeps its canaries
};

void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << c.name;
}

const NumberCase kNumberCases[] = {
    {"NineteenDigits",
     hex("70 15 57 13 62 12 34 56 78 90 12 34 56 7D 25 12 20 10 00 00 00 00 0F 90 00"), 0, 19,
     hex("62 12 34 56 78 90 12 34 56 7D")},
    {"SixteenDigits", hex("70 0C 57 0A 62 12 34 56 78 90 12 34 D2 51 90 00"), 0, 16,
     hex("62 12 34 56 78 90 12 34")},
    {"EmptyTag", hex("70 02 57 00 90 00"), 0, 0, {}},
    // Without 0x57 the first byte is taken as the tag, its length from byte 1.
    {"NoTag", hex("70 03 12 34 D5 90 00"), 0, 4, hex("12 34")},
    // A length past the received record stops where the status word begins.
    {"LengthPastTheRecord", hex("70 08 57 30 62 12 34 90 00"), 0, 6, hex("62 12 34")},
    {"RefusedRead", hex("6A 83"), 1, -7, {}},
};

class CardNumber : public ChipWireTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(CardNumber, IsTakenFromTag57) {
  const NumberCase& c = GetParam();
  for (bool contactless : {false, true}) {
    if (contactless)
      reader_.set_next_reply('G', cat({0}, c.response));
    else
      next_response(c.response);
    Guarded<255> number;
    int digits = -7;
    const int result = contactless ? Tarn_CPUTypeAReadRecordFile(port_, &digits, number.data())
                                   : Tarn_ReadRecordFile(port_, &digits, number.data());
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(digits, c.digits);
    EXPECT_EQ(Bytes(number.bytes.begin(), number.bytes.begin() + c.number.size()), c.number);
    EXPECT_TRUE(std::all_of(number.bytes.begin() + c.number.size(), number.bytes.end(),
                            [](std::uint8_t b) { return b == Guarded<255>::kCanary; }));
    EXPECT_EQ(reader_.requests().back().data.back(), 0x00);  // the READ RECORD's Le
  }
}

INSTANTIATE_TEST_SUITE_P(Emv, CardNumber, ::testing::ValuesIn(kNumberCases));

TEST_F(ChipWireTest, DebitCardNumberStepByStep) {
  place("pboc_debit_card.json");
  unsigned char protocol = 0, length = 0, atr[96];
  ASSERT_EQ(Tarn_CpuCardColdReset(port_, &protocol, atr, &length), TARN_OK);
  for (const auto& c : kCommands) ASSERT_EQ(c.contact(port_), TARN_OK) << c.name;
  Guarded<255> number;
  int digits = 0;
  ASSERT_EQ(Tarn_ReadRecordFile(port_, &digits, number.data()), TARN_OK);
  EXPECT_EQ(digits, 19);
  EXPECT_EQ(Bytes(number.bytes.begin(), number.bytes.begin() + 11),
            hex("62 12 34 00 00 00 00 00 01 2D C5"));
}

TEST_F(ChipWireTest, ContactlessCardNumberStepByStep) {
  place("pboc_contactless_card.json", Position::RfField);
  unsigned char answer[492];
  ASSERT_EQ(Tarn_CPUTypeACardPowerOn(port_, answer), TARN_OK);
  for (const auto& c : kCommands) ASSERT_EQ(c.contactless(port_), TARN_OK) << c.name;
  Guarded<255> number;
  int digits = 0;
  ASSERT_EQ(Tarn_CPUTypeAReadRecordFile(port_, &digits, number.data()), TARN_OK);
  EXPECT_EQ(digits, 16);
  EXPECT_EQ(Bytes(number.bytes.begin(), number.bytes.begin() + 9),
            hex("62 12 34 00 00 00 00 38 C5"));
}

TEST_F(ChipWireTest, IdentityNumberIsTenDigits) {
  const std::pair<Bytes, const char*> cases[] = {
      {{0x00, 0xBC, 0x61, 0x4E}, "0012345678"},
      {{0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {{0x80, 0x00, 0x00, 0x00}, "2147483648"},
      {{0x00, 0x00, 0x00, 0x00, 0x41}, "0000000000"},
  };
  for (const auto& [data, text] : cases) {
    reader_.set_next_reply('I', data);
    Guarded<11> out;
    ASSERT_EQ(Tarn_GetIdCardNo(port_, reinterpret_cast<char*>(out.data())), TARN_OK) << text;
    EXPECT_STREQ(reinterpret_cast<const char*>(out.data()), text);
    EXPECT_TRUE(out.canaries_intact()) << text;
    EXPECT_EQ(sent(), frame_then_enq({2, 0, 2, 0x49, 0x30, 3, 0x7A}));
  }
}

TEST_F(ChipWireTest, IdentityNumberRefusals) {
  Guarded<11> out;
  char* text = reinterpret_cast<char*>(out.data());
  reader_.set_next_error('I', 0);
  EXPECT_EQ(Tarn_GetIdCardNo(port_, text), TARN_E_FAMILY);
  reader_.set_next_error('I', 0x31);
  EXPECT_EQ(Tarn_GetIdCardNo(port_, text), 49);
  Bytes odd_status = {0x02, 0x00, 0x04, 'X', 'I', '0', 0x00, 0x03};  // neither "P" nor "N"
  odd_status.push_back(readersim::bcc(odd_status));
  reader_.set_next_raw_reply(odd_status);
  EXPECT_EQ(Tarn_GetIdCardNo(port_, text), TARN_E_FAMILY);
  reader_.set_next_reply('I', {0x00, 0xBC, 0x61});  // three bytes: no number
  EXPECT_EQ(Tarn_GetIdCardNo(port_, text), TARN_E_REPLY);
  reader_.set_next_reply('I', Bytes(25, 0x31));  // a 33-byte frame: beyond the 32-byte buffer
  EXPECT_EQ(Tarn_GetIdCardNo(port_, text), TARN_E_REPLY);
  EXPECT_EQ(Tarn_GetIdCardNo(nullptr, text), TARN_E_NOPORT);
  EXPECT_TRUE(out.untouched());
}

// The card-information read: the select and read APDUs, in order.
const Bytes kInfoApdus[] = {
    hex("00 A4 04 00 0F 73 78 31 2E 73 68 2E C9 E7 BB E1 B1 A3 D5 CF"),
    hex("00 A4 00 00 02 EF 05"),
    hex("00 B2 07 04 0B"),
    hex("00 A4 00 00 02 EF 06"),
    hex("00 B2 01 04 14"),
    hex("00 B2 02 04 20"),
};

class InfoTest : public ChipWireTest {
 protected:
  // The social-security card with its first application changed by `change`.
  void place_social(const std::function<void(readersim::Chip&)>& change) {
    readersim::Card card = card_file("social_security_card.json");
    change(*card.contact);
    reader_.place_card(card, Position::IcContacts);
  }
  int read() { return Tarn_ReadInfoPOP(port_, info_.data(), &length_); }
  Bytes info() const { return Bytes(info_.bytes.begin(), info_.bytes.begin() + length_); }

  Guarded<767> info_;
  int length_ = -1;
};

TEST_F(InfoTest, JoinsThreeRecordsAndMovesTheCard) {
  place("social_security_card.json");
  ASSERT_EQ(read(), TARN_OK);
  ASSERT_EQ(length_, 13 + 22 + 34 + 2);
  EXPECT_EQ(info_.bytes[13], '&');
  EXPECT_EQ(info_.bytes[36], '&');
  const Bytes got = info();
  EXPECT_EQ(Bytes(got.begin(), got.begin() + 13), hex("07 09 58 30 30 30 30 30 30 30 31 90 00"));
  EXPECT_EQ(Bytes(got.begin() + 14, got.begin() + 16), hex("08 12"));
  EXPECT_EQ(Bytes(got.begin() + 37, got.begin() + 39), hex("09 1E"));
  EXPECT_EQ(Bytes(got.end() - 2, got.end()), hex("90 00"));
  EXPECT_EQ(info_.bytes[71], Guarded<767>::kCanary);

  const auto requests = reader_.requests();
  ASSERT_EQ(requests.size(), 8u);
  for (std::size_t i = 0; i < 6; ++i)
    EXPECT_EQ(requests[1 + i], (readersim::Request{'9', '3', apdu_reply(kInfoApdus[i])}));
  EXPECT_EQ(requests.back(), (readersim::Request{'3', '4', {}}));
  EXPECT_EQ(reader_.state().position(), Position::Gate);
}

TEST_F(InfoTest, T1CardIsReadWithT1Exchanges) {
  place_social([](readersim::Chip& chip) { chip.protocol = 1; });
  ASSERT_EQ(read(), TARN_OK);
  EXPECT_EQ(length_, 71);
  EXPECT_EQ(reader_.requests()[1].pm, '4');
}

TEST_F(InfoTest, RefusedSelectStillReadsAndMoves) {
  place_social([](readersim::Chip& chip) { chip.dfs[0].files.pop_back(); });  // no EF06
  ASSERT_EQ(read(), TARN_OK);
  // EF05 stays current: record 1 is 18 bytes (6C 12), record 2 is 3 bytes (6C 03).
  EXPECT_EQ(info(), cat(hex("07 09 58 30 30 30 30 30 30 30 31 90 00 26 6C 12 26"), hex("6C 03")));
  EXPECT_EQ(reader_.requests().back().cm, '3');
}

TEST_F(InfoTest, OtherProtocolIsMovedUnread) {
  place("social_security_card.json");
  reader_.set_next_reply('9', {2, '2', 0x3B});
  ASSERT_EQ(read(), TARN_OK);
  EXPECT_TRUE(info_.untouched());
  EXPECT_EQ(length_, -1);
  EXPECT_EQ(commands(),
            (std::vector<std::pair<std::uint8_t, std::uint8_t>>{{'9', '0'}, {'3', '4'}}));
}

TEST_F(InfoTest, FailedResetLeavesTheCardWhereItIs) {
  place("social_security_card.json", Position::ReadHead);
  EXPECT_EQ(read(), '4');
  EXPECT_EQ(reader_.requests().size(), 1u);
  EXPECT_EQ(reader_.state().position(), Position::ReadHead);
  EXPECT_TRUE(info_.untouched());
}

TEST_F(InfoTest, ResponsesUpToTheBufferFitAndLongerOnesAreRefused) {
  const auto answer_reads = [](std::size_t size) {
    return [size](readersim::Chip& chip) {
      for (const char* read : {"00 B2 07 04", "00 B2 01 04", "00 B2 02 04"})
        chip.dfs[0].answers.push_back({hex(read), cat(Bytes(size - 2, 0x41), hex("90 00"))});
    };
  };
  place_social(answer_reads(255));
  ASSERT_EQ(read(), TARN_OK);
  EXPECT_EQ(length_, 767);
  EXPECT_TRUE(info_.canaries_intact());

  Guarded<767> fresh;
  info_ = fresh;
  length_ = -1;
  place_social(answer_reads(256));
  EXPECT_EQ(read(), TARN_E_REPLY);
  EXPECT_TRUE(info_.untouched());
  EXPECT_EQ(length_, -1);
  EXPECT_NE(reader_.requests().back().cm, '3') << "no move after a failure";
}

}  // namespace
}  // namespace tarn_test
